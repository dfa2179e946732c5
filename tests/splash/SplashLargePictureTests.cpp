// The splash with a picture larger than the 1024 x 768 test screen. Every
// pixel of the 1105 x 851 picture names its own place (red = x mod 256,
// green = y mod 256, blue = 0x80 | x / 256 << 3 | y / 256), and three blocks
// in it are pure black, red 0 green 0 blue 1, and fully transparent.
#include "Splash.h"
#include "SplashImage.h"
#include "SplashScreenTools.h"

#include <doctest.h>
#include <stb_image.h>

namespace {

constexpr DWORD kShowTimeoutMs = 10000;
constexpr DWORD kEndTimeoutMs = 20000;

// (1024 - 1105) / 2 = -40 and (768 - 851) / 2 = -41, truncated toward zero,
// then one pixel up and left with the window.
constexpr POINT kPictureOnScreen = {-41, -42};
constexpr RECT kSplashRect = {-1, -1, kTestScreenWidth - 1, kTestScreenHeight - 1};

// The colour of picture pixel (x, y) outside the three blocks.
COLORREF PlaceColour(int x, int y)
{
    return RGB(x & 0xFF, y & 0xFF, 0x80 | (x >> 8) << 3 | (y >> 8));
}

} // namespace

TEST_CASE("A picture larger than the screen is clipped by the window and see-through only where pure black")
{
    REQUIRE(GetSystemMetrics(SM_CXSCREEN) == kTestScreenWidth);
    REQUIRE(GetSystemMetrics(SM_CYSCREEN) == kTestScreenHeight);
    const SplashImage image = LoadSplashImage(GetModuleHandleW(nullptr));
    REQUIRE(image.pixels);
    REQUIRE(image.width == 1105);
    REQUIRE(image.height == 851);

    const BeneathWindow beneath;
    SplashThread splash;
    const HWND window = splash.WaitForWindow(kShowTimeoutMs);
    REQUIRE(window);
    int differences = -1;
    std::string described;
    const ScreenShot shot = WaitForScreen({image.pixels, image.width, image.height, kPictureOnScreen, kSplashRect},
                                          window, kShowTimeoutMs, differences, described);
    CHECK_MESSAGE(differences == 0, "while the splash shows:" << described);

    // The screen's corner shows picture pixel (41, 42); the window's last column
    // and row show picture pixels (1063, *) and (*, 808).
    CHECK(shot.At(0, 0) == PlaceColour(41, 42));
    CHECK(shot.At(1022, 766) == PlaceColour(1063, 808));
    // The screen's last column and row lie outside the window.
    CHECK(shot.At(1023, 0) == kBeneathColour);
    CHECK(shot.At(0, 767) == kBeneathColour);
    // Picture pixels (100..199, 100..199) are pure black: see-through.
    CHECK(shot.At(100 - 41, 100 - 42) == kBeneathColour);
    // Picture pixels (200..299, 100..199) are red 0, green 0, blue 1: opaque.
    CHECK(shot.At(250 - 41, 150 - 42) == RGB(0, 0, 1));
    // Picture pixels (300..399, 100..199) have alpha 0 and show their colour.
    CHECK(shot.At(350 - 41, 150 - 42) == PlaceColour(350, 150));
    stbi_image_free(image.pixels);

    REQUIRE(splash.WaitForEnd(kEndTimeoutMs));
    CHECK(splash.LeftHidden());
}
