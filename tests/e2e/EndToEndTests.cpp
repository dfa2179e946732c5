// The real Tavlio.exe with the engine stand-in, used as a person would:
// real clicks on tabs and buttons, then closing the window.
#include "TavlioProcess.h"

#include <doctest.h>

#include <algorithm>

namespace {

constexpr int kPaneCount = 16;
constexpr int kHomeButtonId = 4;
constexpr int kBackButtonId = 5;
constexpr wchar_t kEnvironmentFailed[] = L"Failed to create WebView2 environment.";

std::wstring Tavlio()
{
    return ProgramFolder() + L"Tavlio.exe";
}

// The splash lies above everything for two seconds; wait until it is gone
// so that the clicks are a person's clicks on the main window.
void WaitForSplashToHide(const TavlioProcess& app)
{
    for (int waited = 0; waited < 300; ++waited) {
        HWND splash = FindWindowW(L"Splash", nullptr);
        DWORD owner = 0;
        if (splash) {
            GetWindowThreadProcessId(splash, &owner);
        }
        if (!splash || owner != app.Id() || !IsWindowVisible(splash)) {
            return;
        }
        Sleep(20);
    }
}

void CheckClosesCleanly(TavlioProcess& app)
{
    app.PressAltF4();
    DWORD exitCode = 1;
    REQUIRE(app.WaitForExit(15000, exitCode));
    CHECK(exitCode == 0);
}

void CheckEngineObjectsReleased(const std::vector<TraceLine>& trace)
{
    const auto unload = LinesNamed(trace, "Unload");
    REQUIRE(unload.size() == 1);
    for (const char* expected : {"Environment=0", "Controller=0", "WebView=0", "Settings=0"}) {
        CAPTURE(expected);
        CHECK(std::find(unload[0].args.begin(), unload[0].args.end(), expected) != unload[0].args.end());
    }
}

} // namespace

TEST_CASE("a person clicks through tabs and buttons and closes the window")
{
    TavlioProcess app(L"person", Tavlio());
    REQUIRE(app.Started());
    REQUIRE(app.WaitForMainWindow());
    CHECK(CountNamed(app.Trace(), "WebView.Navigate") == kPaneCount);
    WaitForSplashToHide(app);
    // The buttons sit right of the client area's centre, Back up to 560
    // pixels: on the 1024-pixel test screen the window is made as wide as it
    // goes and moved left, so that a part of each button can be seen.
    SetWindowPos(app.MainWindow(), nullptr, -80, 0, 1100, 700, SWP_NOZORDER);

    app.ClickTab(3);
    REQUIRE(app.WaitForTrace("Controller.put_IsVisible", kPaneCount + 2));
    auto shown = LinesNamed(app.Trace(), "Controller.put_IsVisible");
    CHECK((shown[kPaneCount].pane == 0 && shown[kPaneCount].Arg(0) == "0"));
    CHECK((shown[kPaneCount + 1].pane == 3 && shown[kPaneCount + 1].Arg(0) == "1"));

    app.ClickButton(kHomeButtonId);
    REQUIRE(app.WaitForTrace("WebView.Navigate", kPaneCount + 1));
    const auto home = LinesNamed(app.Trace(), "WebView.Navigate").back();
    CHECK(home.pane == 3);
    CHECK(home.Arg(0) == "https://copilot.microsoft.com/chats/");

    app.ClickButton(kBackButtonId);
    REQUIRE(app.WaitForTrace("WebView.GoBack", 1));
    CHECK(LinesNamed(app.Trace(), "WebView.GoBack").back().pane == 3);

    app.ClickTab(12);
    REQUIRE(app.WaitForTrace("Controller.put_IsVisible", kPaneCount + 4));
    shown = LinesNamed(app.Trace(), "Controller.put_IsVisible");
    CHECK((shown[kPaneCount + 2].pane == 3 && shown[kPaneCount + 2].Arg(0) == "0"));
    CHECK((shown[kPaneCount + 3].pane == 12 && shown[kPaneCount + 3].Arg(0) == "1"));

    CheckClosesCleanly(app);
    const auto trace = app.Trace();
    const auto clears = LinesNamed(trace, "WebView.CallDevToolsProtocolMethod");
    REQUIRE(clears.size() == 1);
    CHECK(clears[0].pane == kPaneCount - 1);
    CHECK(clears[0].Arg(0) == "Network.clearBrowserCache");
    CHECK(CountNamed(trace, "Unexpected") == 0);
    CHECK(app.Boxes().Boxes().empty());
    CheckEngineObjectsReleased(trace);
}

TEST_CASE("without the engine one message says so and the window opens with empty panes")
{
    // Tavlio alone in a folder, then beside a WebView2Loader.dll without the
    // loader's export.
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"tavlio-no-engine-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring lonely = folder + L"\\Tavlio.exe";
    const std::wstring emptyLoader = folder + L"\\WebView2Loader.dll";
    REQUIRE(CopyFileW(Tavlio().c_str(), lonely.c_str(), FALSE));

    for (const bool withEmptyLoader : {false, true}) {
        CAPTURE(withEmptyLoader);
        if (withEmptyLoader) {
            REQUIRE(CopyFileW((ProgramFolder() + L"empty-loader\\WebView2Loader.dll").c_str(), emptyLoader.c_str(), FALSE));
        }
        TavlioProcess app(L"no-engine", lonely);
        REQUIRE(app.WaitForMainWindow());
        const auto boxes = app.Boxes().Boxes();
        REQUIRE(boxes.size() == 1);
        CHECK(boxes[0].text == kEnvironmentFailed);
        CHECK(boxes[0].caption == L"Error");
        CHECK(boxes[0].errorIcon);
        CHECK(boxes[0].owner == app.MainWindow());
        CHECK(app.Trace().empty());
        CheckClosesCleanly(app);
        CHECK(app.Boxes().Boxes().size() == 1);
    }
    DeleteFileW(emptyLoader.c_str());
    DeleteFileW(lonely.c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST_CASE("an engine without a runtime is asked once")
{
    for (const wchar_t* failure : {L"env-return-noruntime@0", L"env-handler-noruntime@0"}) {
        CAPTURE(Utf8(failure));
        TavlioProcess app(L"no-runtime", Tavlio(), {std::wstring(L"TAVLIO_STANDIN_FAIL=") + failure});
        REQUIRE(app.WaitForMainWindow());
        const auto boxes = app.Boxes().Boxes();
        REQUIRE(boxes.size() == 1);
        CHECK(boxes[0].text == kEnvironmentFailed);
        CHECK(boxes[0].owner == app.MainWindow());
        const auto trace = app.Trace();
        CHECK(CountNamed(trace, "Loader.CreateCoreWebView2EnvironmentWithOptions") == 1);
        CHECK(CountNamed(trace, "WebView.Navigate") == 0);
        CheckClosesCleanly(app);
        CheckEngineObjectsReleased(app.Trace());
    }
}

TEST_CASE("started minimised the main window starts minimised and still closes cleanly")
{
    TavlioProcess app(L"minimised", Tavlio(), {}, SW_SHOWMINIMIZED);
    REQUIRE(app.WaitForMainWindow());
    CHECK(IsIconic(app.MainWindow()));
    PostMessageW(app.MainWindow(), WM_CLOSE, 0, 0);
    DWORD exitCode = 1;
    REQUIRE(app.WaitForExit(15000, exitCode));
    CHECK(exitCode == 0);
}
