// The splash in a program that carries no picture: the failure is reported on
// the splash thread, nothing is drawn, and the hold and the hide still follow.
#include "MessageBoxWatcher.h"
#include "SplashScreenTools.h"

#include <doctest.h>

namespace {

constexpr DWORD kShowTimeoutMs = 10000;
constexpr DWORD kEndTimeoutMs = 20000;
constexpr RECT kSplashRect = {-1, -1, kTestScreenWidth - 1, kTestScreenHeight - 1};

} // namespace

TEST_CASE("Without its picture the splash reports it once and then shows nothing until it hides")
{
    const BeneathWindow beneath;
    const MessageBoxWatcher boxes;
    SplashThread splash;
    const HWND window = splash.WaitForWindow(kShowTimeoutMs);
    REQUIRE(window);
    REQUIRE(boxes.WaitForBoxes(1, kShowTimeoutMs));

    // The whole window is see-through: only what lies beneath shows.
    int differences = -1;
    std::string described;
    WaitForScreen({nullptr, 0, 0, {}, kSplashRect}, window, kShowTimeoutMs, differences, described);
    CHECK_MESSAGE(differences == 0, "while the splash shows:" << described);

    REQUIRE(splash.WaitForEnd(kEndTimeoutMs));
    CHECK(splash.LeftHidden());
    const std::vector<SeenMessageBox> seen = boxes.Boxes();
    REQUIRE(seen.size() == 1);
    CHECK(seen[0].text == L"Failed to find resource.1");
    CHECK(seen[0].caption == L"Error");
    CHECK(seen[0].errorIcon);
    CHECK(seen[0].owner == nullptr);
    CHECK(seen[0].thread == splash.Id());
}
