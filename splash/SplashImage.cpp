#include "SplashImage.h"

#include "ResourceIds.h"

#include <stb_image.h>

#include <cstddef>
#include <cstring>
#include <utility>

namespace {

constexpr wchar_t kPictureType[] = L"PNG";
constexpr wchar_t kErrorCaption[] = L"Error";
constexpr int kBytesPerPixel = 4;       // blue, green, red, alpha
constexpr WORD kBitsPerPixel = 32;

void ShowError(const wchar_t* text)
{
    MessageBoxW(nullptr, text, kErrorCaption, MB_ICONERROR);
}

std::size_t ByteCount(const SplashImage& image)
{
    return static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * kBytesPerPixel;
}

// The decoder gives red, green, blue, alpha; a DIB wants blue, green, red, alpha.
void SwapRedAndBlue(SplashImage& image)
{
    unsigned char* const end = image.pixels + ByteCount(image);
    for (unsigned char* pixel = image.pixels; pixel != end; pixel += kBytesPerPixel) {
        std::swap(pixel[0], pixel[2]);
    }
}

} // namespace

SplashImage LoadSplashImage(HINSTANCE instance)
{
    SplashImage image;
    const HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(IDR_SPLASH_PNG), kPictureType);
    if (!found) {
        ShowError(L"Failed to find resource.1");
        return image;
    }
    // The data stays in the mapped module: it is neither copied nor released.
    const HGLOBAL loaded = LoadResource(instance, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) {
        ShowError(L"Failed to find resource.2");
        return image;
    }
    const int size = static_cast<int>(SizeofResource(instance, found));

    image.pixels = stbi_load_from_memory(static_cast<const stbi_uc*>(data), size, &image.width, &image.height,
                                         &image.channels, kBytesPerPixel);
    if (image.pixels) {
        SwapRedAndBlue(image);
    } else {
        // Some of the decoder's formats report a size before they fail; an empty
        // picture must not claim one.
        image.width = 0;
        image.height = 0;
        ShowError(L"Failed to load image from resource");
    }
    image.channels = kBytesPerPixel;
    return image;
}

HBITMAP CreateSplashBitmap(HDC deviceContext, const SplashImage& image)
{
    if (!image.pixels || image.width <= 0 || image.height <= 0) {
        return nullptr;
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;   // negative: rows run top-down, like the decoded picture
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = kBitsPerPixel;
    info.bmiHeader.biCompression = BI_RGB;

    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(deviceContext, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        // The decoded rows have exactly the DIB's layout, so one copy does.
        std::memcpy(bits, image.pixels, ByteCount(image));
    }
    return bitmap;
}
