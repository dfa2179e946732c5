// The resources that Tavlio.exe carries, read back from this test program,
// which links the same compiled resource script.
#include "MessageBoxWatcher.h"
#include "SplashImage.h"

#include <doctest.h>
#include <stb_image.h>

#include <cstring>
#include <string>

namespace {

constexpr int kPictureSize = 666;
constexpr WORD kEnglishUnitedStates = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);   // 1033

#pragma pack(push, 2)
struct GroupIconHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
struct GroupIconEntry {
    BYTE width;          // 0 means 256
    BYTE height;
    BYTE colourCount;    // 0 for 256 colours and more
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

struct ResourceData {
    const unsigned char* data = nullptr;
    DWORD size = 0;
};

ResourceData Find(const wchar_t* type, int id)
{
    const HMODULE module = GetModuleHandleW(nullptr);
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (!found) {
        return {};
    }
    return {static_cast<const unsigned char*>(LockResource(LoadResource(module, found))), SizeofResource(module, found)};
}

DWORD BigEndian(const unsigned char* bytes)
{
    return (DWORD(bytes[0]) << 24) | (DWORD(bytes[1]) << 16) | (DWORD(bytes[2]) << 8) | bytes[3];
}

} // namespace

TEST_CASE("The program's own picture is an opaque 666 x 666 RGBA PNG with black around the logo")
{
    const HMODULE module = GetModuleHandleW(nullptr);
    CHECK(FindResourceExW(module, L"PNG", MAKEINTRESOURCEW(6767), kEnglishUnitedStates) != nullptr);
    const ResourceData png = Find(L"PNG", 6767);
    REQUIRE(png.size > 33);
    CHECK(std::memcmp(png.data, "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16) == 0);
    CHECK(BigEndian(png.data + 16) == kPictureSize);
    CHECK(BigEndian(png.data + 20) == kPictureSize);
    CHECK(png.data[24] == 8);   // bits per sample
    CHECK(png.data[25] == 6);   // colour type: RGBA
    CHECK(png.data[28] == 0);   // not interlaced

    const MessageBoxWatcher watcher;
    const SplashImage image = LoadSplashImage(module);
    REQUIRE(image.pixels);
    CHECK(image.width == kPictureSize);
    CHECK(image.height == kPictureSize);
    CHECK(image.channels == 4);
    int translucent = 0;
    for (int i = 0; i < kPictureSize * kPictureSize; ++i) {
        translucent += image.pixels[i * 4 + 3] != 255;
    }
    CHECK(translucent == 0);
    // The logo lies on pure black, which the splash shows see-through.
    const auto colourAt = [&](int x, int y) {
        const unsigned char* pixel = image.pixels + (static_cast<size_t>(y) * kPictureSize + x) * 4;
        return RGB(pixel[2], pixel[1], pixel[0]);
    };
    CHECK(colourAt(0, 0) == RGB(0, 0, 0));
    CHECK(colourAt(kPictureSize - 1, 0) == RGB(0, 0, 0));
    CHECK(colourAt(0, kPictureSize - 1) == RGB(0, 0, 0));
    CHECK(colourAt(kPictureSize - 1, kPictureSize - 1) == RGB(0, 0, 0));
    CHECK(colourAt(kPictureSize / 2, kPictureSize / 2) != RGB(0, 0, 0));
    stbi_image_free(image.pixels);
    CHECK(watcher.Boxes().empty());
}

TEST_CASE("The program's two icon groups hold the same five images")
{
    struct Expected {
        int size;
        BYTE colourCount;
        WORD bitCount;
    };
    const Expected expected[] = {{62, 16, 4}, {32, 16, 4}, {128, 0, 8}, {256, 0, 32}, {256, 0, 24}};
    std::string firstGroupImages;
    for (const int groupId : {107, 108}) {
        CAPTURE(groupId);
        const ResourceData group = Find(RT_GROUP_ICON, groupId);
        REQUIRE(group.size >= sizeof(GroupIconHeader));
        const auto* header = reinterpret_cast<const GroupIconHeader*>(group.data);
        CHECK(header->type == 1);
        REQUIRE(header->count == std::size(expected));
        REQUIRE(group.size == sizeof(GroupIconHeader) + header->count * sizeof(GroupIconEntry));
        const auto* entries = reinterpret_cast<const GroupIconEntry*>(group.data + sizeof(GroupIconHeader));
        std::string images;
        for (size_t i = 0; i < std::size(expected); ++i) {
            CAPTURE(i);
            const GroupIconEntry& entry = entries[i];
            CHECK(entry.width == expected[i].size % 256);
            CHECK(entry.height == expected[i].size % 256);
            CHECK(entry.colourCount == expected[i].colourCount);
            CHECK(entry.bitCount == expected[i].bitCount);
            const ResourceData image = Find(RT_ICON, entry.id);
            REQUIRE(image.data);
            CHECK(image.size == entry.bytes);
            images.append(reinterpret_cast<const char*>(image.data), image.size);

            // Windows can make an icon of it, of the stated size.
            const HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(image.data), image.size, TRUE, 0x00030000, 0,
                                                        0, LR_DEFAULTCOLOR);
            REQUIRE(icon);
            ICONINFO info = {};
            REQUIRE(GetIconInfo(icon, &info));
            BITMAP bitmap = {};
            GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
            CHECK(bitmap.bmWidth == expected[i].size);
            CHECK(bitmap.bmHeight == expected[i].size);
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
            DestroyIcon(icon);
        }
        if (firstGroupImages.empty()) {
            firstGroupImages = images;
        } else {
            CHECK(images == firstGroupImages);
        }
    }
}

TEST_CASE("The manifest asks only for the execution level asInvoker without uiAccess")
{
    const ResourceData manifest = Find(RT_MANIFEST, 1);
    REQUIRE(manifest.data);
    const std::string text(reinterpret_cast<const char*>(manifest.data), manifest.size);
    CHECK(text.find("<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>") != std::string::npos);
    // No DPI awareness, no common controls version 6, no other section.
    for (const char* absent : {"dpiAware", "dependency", "Common-Controls", "compatibility", "application"}) {
        CAPTURE(absent);
        CHECK(text.find(absent) == std::string::npos);
    }
}
