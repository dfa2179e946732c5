// The one translation unit that holds stb_image's code, at its default settings.
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
