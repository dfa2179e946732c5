// LoadSplashImage against resource-only DLLs that each hold one picture as
// "PNG" 6767, and CreateSplashBitmap against pictures with known pixels.
#include "MessageBoxWatcher.h"
#include "SplashImage.h"

#include <doctest.h>
#include <stb_image.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

// One of the build's picture DLLs, loaded for the life of the object.
class PictureModule {
public:
    explicit PictureModule(const std::wstring& name)
        : module(LoadLibraryW((ProgramFolder() + L"splash-picture-" + name + L".dll").c_str()))
    {
        REQUIRE_MESSAGE(module, "splash-picture-" << Utf8(name) << ".dll did not load");
    }
    ~PictureModule() { FreeLibrary(module); }
    PictureModule(const PictureModule&) = delete;
    PictureModule& operator=(const PictureModule&) = delete;

    HINSTANCE Get() const { return module; }

private:
    static std::string Utf8(const std::wstring& text) { return std::string(text.begin(), text.end()); }
    HMODULE module;
};

// What one LoadSplashImage call gave and which message boxes it showed.
struct Loaded {
    bool hasPixels = false;
    int width = -1;
    int height = -1;
    int channels = -1;
    Bytes bytes;
    std::vector<SeenMessageBox> boxes;
};

Loaded Load(HINSTANCE module)
{
    MessageBoxWatcher watcher;
    const SplashImage image = LoadSplashImage(module);
    Loaded loaded;
    loaded.hasPixels = image.pixels != nullptr;
    loaded.width = image.width;
    loaded.height = image.height;
    loaded.channels = image.channels;
    if (image.pixels && image.width > 0 && image.height > 0) {
        loaded.bytes.assign(image.pixels, image.pixels + static_cast<size_t>(image.width) * image.height * 4);
    }
    stbi_image_free(image.pixels);
    // A box runs modally inside the call, so every box of the call has been seen by now.
    loaded.boxes = watcher.Boxes();
    return loaded;
}

void CheckOneErrorBox(const Loaded& loaded, const std::wstring& text)
{
    REQUIRE(loaded.boxes.size() == 1);
    const SeenMessageBox& box = loaded.boxes[0];
    CHECK(box.text == text);
    CHECK(box.caption == L"Error");
    CHECK(box.errorIcon);
    CHECK(box.buttons == 1);
    CHECK(box.owner == nullptr);
    CHECK(box.thread == GetCurrentThreadId());
}

struct DecodeCase {
    const wchar_t* module;
    int width;
    int height;
    Bytes bytes;   // blue, green, red, alpha per pixel, top row first
};

} // namespace

TEST_CASE("LoadSplashImage decodes every kind of PNG into blue green red alpha rows from the top")
{
    const DecodeCase cases[] = {
        // Stored as red, green, blue, alpha; two rows of three.
        {L"rgba", 3, 2, {30, 20, 10, 255, 0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 3, 2, 1, 255, 252, 251, 250, 255}},
        {L"grey", 2, 3, {128, 128, 128, 255, 0, 0, 0, 255, 255, 255, 255, 255, 7, 7, 7, 255, 64, 64, 64, 255, 200, 200, 200, 255}},
        {L"grey-alpha", 2, 1, {128, 128, 128, 64, 30, 30, 30, 0}},
        // Palette (10, 20, 30), (200, 100, 50) with alpha 128 through tRNS, (0, 0, 0).
        {L"palette", 3, 1, {30, 20, 10, 255, 50, 100, 200, 128, 0, 0, 0, 255}},
        {L"rgb", 2, 2, {30, 20, 10, 255, 60, 50, 40, 255, 90, 80, 70, 255, 0, 0, 0, 255}},
        // 16-bit samples keep their high byte: 0x1234 becomes 0x12.
        {L"rgba16", 1, 2, {0x00, 0xAB, 0x12, 0xFF, 0x80, 0x00, 0xFF, 0x7F}},
        // Straight alpha: the colour is not multiplied by it.
        {L"half-transparent", 2, 1, {50, 100, 200, 128, 30, 60, 90, 0}},
    };
    for (const DecodeCase& expected : cases) {
        CAPTURE(std::string(expected.module, expected.module + wcslen(expected.module)));
        const PictureModule module(expected.module);
        const Loaded loaded = Load(module.Get());
        CHECK(loaded.hasPixels);
        CHECK(loaded.width == expected.width);
        CHECK(loaded.height == expected.height);
        CHECK(loaded.channels == 4);
        CHECK(loaded.bytes == expected.bytes);
        CHECK(loaded.boxes.empty());
    }
}

TEST_CASE("LoadSplashImage reports data it cannot decode and returns an empty picture")
{
    // A PNG cut off in its image data; bytes of no format; a pixmap header whose
    // size is too large, which the decoder reports before it gives up.
    for (const wchar_t* name : {L"truncated", L"not-an-image", L"oversized"}) {
        CAPTURE(std::string(name, name + wcslen(name)));
        const PictureModule module(name);
        const Loaded loaded = Load(module.Get());
        CheckOneErrorBox(loaded, L"Failed to load image from resource");
        CHECK_FALSE(loaded.hasPixels);
        CHECK(loaded.width == 0);
        CHECK(loaded.height == 0);
        CHECK(loaded.channels == 4);
    }
}

TEST_CASE("LoadSplashImage reports a module without the picture once per call")
{
    // The module holds the same picture as "PNG" 6768 and as RCDATA 6767 only.
    const PictureModule module(L"missing");
    for (int call = 0; call < 2; ++call) {
        CAPTURE(call);
        const Loaded loaded = Load(module.Get());
        CheckOneErrorBox(loaded, L"Failed to find resource.1");
        CHECK_FALSE(loaded.hasPixels);
        CHECK(loaded.width == 0);
        CHECK(loaded.height == 0);
        CHECK(loaded.channels == 0);
    }
}

TEST_CASE("CreateSplashBitmap makes a top-down 32-bit DIB section holding the pixels")
{
    // Two rows of three pixels, blue, green, red, alpha; every byte different.
    Bytes pixels(3 * 2 * 4);
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<unsigned char>(7 + i * 9);
    }
    const SplashImage image{pixels.data(), 3, 2, 4};
    const HDC screen = GetDC(nullptr);
    const HBITMAP bitmap = CreateSplashBitmap(screen, image);
    REQUIRE(bitmap);

    DIBSECTION section = {};
    REQUIRE(GetObjectW(bitmap, sizeof section, &section) == sizeof section);
    CHECK(section.dsBmih.biSize == sizeof(BITMAPINFOHEADER));
    CHECK(section.dsBmih.biWidth == 3);
    // GDI reports the height without its sign; the direction shows in GetPixel below.
    CHECK(std::abs(section.dsBmih.biHeight) == 2);
    CHECK(section.dsBmih.biPlanes == 1);
    CHECK(section.dsBmih.biBitCount == 32);
    CHECK(section.dsBmih.biCompression == BI_RGB);
    CHECK(section.dsBmih.biClrUsed == 0);
    CHECK(section.dsBm.bmWidthBytes == 3 * 4);
    REQUIRE(section.dsBm.bmBits);
    const auto* bits = static_cast<const unsigned char*>(section.dsBm.bmBits);
    CHECK(Bytes(bits, bits + pixels.size()) == pixels);

    // GDI reads it top row first: the first pixel of the buffer is the top left.
    const HDC memory = CreateCompatibleDC(screen);
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    CHECK(GetPixel(memory, 0, 0) == RGB(pixels[2], pixels[1], pixels[0]));
    CHECK(GetPixel(memory, 2, 1) == RGB(pixels[22], pixels[21], pixels[20]));
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
}

TEST_CASE("CreateSplashBitmap gives null for an empty picture")
{
    const HDC screen = GetDC(nullptr);
    // What LoadSplashImage returns after a failure.
    CHECK(CreateSplashBitmap(screen, SplashImage{nullptr, 0, 0, 4}) == nullptr);
    CHECK(CreateSplashBitmap(screen, SplashImage{nullptr, 0, 0, 0}) == nullptr);
    // A size without pixels has nothing to copy.
    CHECK(CreateSplashBitmap(screen, SplashImage{nullptr, 3, 2, 4}) == nullptr);
    ReleaseDC(nullptr, screen);
}
