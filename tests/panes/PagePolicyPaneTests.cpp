// The page policy as the panes apply it, through the engine stand-in: the
// script handed over before the first navigation, and a refused address.
#include "BrowserPane.h"
#include "Catalogue.h"
#include "MainWindowSession.h"

#include <doctest.h>

#include <cstdio>

namespace {

std::string ReadScriptFile()
{
    std::string text;
    // The test runs under Wine, where the Linux file system is drive Z:.
    if (FILE* file = _wfopen(L"Z:" TAVLIO_SCRIPT_FILE, L"rb")) {
        char buffer[4096];
        size_t count;
        while ((count = fread(buffer, 1, sizeof buffer, file)) > 0) {
            text.append(buffer, count);
        }
        fclose(file);
    }
    return text;
}

HWND MakeParent()
{
    static const ATOM registered = [] {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"PagePolicyTestParent";
        return RegisterClassW(&windowClass);
    }();
    REQUIRE(registered != 0);
    return CreateWindowExW(0, L"PagePolicyTestParent", L"parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

} // namespace

TEST_CASE("every pane gets the script file's text after its setting and before its navigation")
{
    const std::string script = ReadScriptFile();
    REQUIRE(script.size() > 100);
    MainWindowSession session(L"script-order");
    const std::vector<TraceLine> trace = session.Trace();
    for (int pane = 0; pane < kServiceCount; ++pane) {
        CAPTURE(pane);
        const auto scripts = LinesNamed(trace, "WebView.AddScriptToExecuteOnDocumentCreated", pane);
        REQUIRE(scripts.size() == 1);
        CHECK(scripts[0].Arg(0) == script);
        const size_t setting = IndexOfNamed(trace, "Settings.put_IsWebMessageEnabled", pane);
        const size_t handedOver = IndexOfNamed(trace, "WebView.AddScriptToExecuteOnDocumentCreated", pane);
        const size_t navigation = IndexOfNamed(trace, "WebView.Navigate", pane);
        CHECK(setting < handedOver);
        CHECK(handedOver < navigation);
        CHECK(navigation < trace.size());
    }
    // The script runs in the documents the panes load, not in the blank one
    // the first navigation throws away.
    CHECK(CountNamed(trace, "WebView.ExecuteScript") == 0);
}

TEST_CASE("a refused start address leaves a configured pane without navigation and creation goes on")
{
    const std::wstring tracePath = FreshTracePath(L"refused");
    ScopedEnvironment traceSetting(L"TAVLIO_STANDIN_TRACE", tracePath);
    MessageBoxWatcher watcher;
    CHECK(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    HWND parent = MakeParent();
    const RECT bounds = {0, 30, 600, 400};

    BrowserPane refused;
    InitWebView2(parent, bounds, L"http://host/?next=https://x", refused.controller, refused.webview);
    const auto boxes = watcher.Boxes();
    REQUIRE(boxes.size() == 1);
    CHECK(boxes[0].text == L"Only HTTPS URLs are allowed.");
    CHECK(boxes[0].caption == L"Error");
    CHECK(boxes[0].errorIcon);
    CHECK(boxes[0].owner == parent);
    CHECK(refused.controller);
    CHECK(refused.webview);
    std::vector<TraceLine> trace = ReadTrace(tracePath);
    CHECK(LinesNamed(trace, "Controller.put_Bounds", 0).at(0).Arg(0) == "0,30,600,400");
    CHECK(CountNamed(trace, "Settings.put_IsWebMessageEnabled", 0) == 1);
    CHECK(CountNamed(trace, "WebView.AddScriptToExecuteOnDocumentCreated", 0) == 1);
    CHECK(CountNamed(trace, "WebView.Navigate", 0) == 0);

    // The scheme's case does not matter; the next pane is made as usual.
    BrowserPane next;
    InitWebView2(parent, bounds, L"HTTPS://example.test/", next.controller, next.webview);
    trace = ReadTrace(tracePath);
    const auto navigations = LinesNamed(trace, "WebView.Navigate", 1);
    REQUIRE(navigations.size() == 1);
    CHECK(navigations[0].Arg(0) == "HTTPS://example.test/");
    CHECK(watcher.Boxes().size() == 1);

    refused = {};
    next = {};
    DestroyWindow(parent);
    CoUninitialize();
}
