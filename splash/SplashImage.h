// The splash picture, from the PNG among the program's resources to a bitmap
// that GDI can blit.
#pragma once

#include <windows.h>

// A decoded picture: `width` x `height` pixels, top row first, rows packed
// without gaps, each pixel blue, green, red, alpha (straight alpha), which is
// the memory layout of a top-down 32-bit DIB. The caller owns `pixels` and
// releases them with stbi_image_free.
struct SplashImage {
    unsigned char* pixels = nullptr;
    int width = 0;
    int height = 0;
    int channels = 0;   // 4 once a decode was tried, 0 if the resource was not found or loaded
};

// Finds the "PNG" resource 6767 in the module and decodes it. Reports a failure
// with a message box (no owner, caption "Error") and returns an empty picture.
SplashImage LoadSplashImage(HINSTANCE instance);

// A 32-bit top-down DIB section for the device context, filled from the
// picture in one block; null if the picture is empty or the section was not made.
HBITMAP CreateSplashBitmap(HDC deviceContext, const SplashImage& image);
