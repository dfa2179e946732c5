// The main window with the engine stand-in: creation of the sixteen panes,
// layout, tabs, buttons, colours and teardown, read back from the real
// controls and from the engine's trace.
#include "Catalogue.h"
#include "ImportPatch.h"
#include "MainWindow.h"
#include "MainWindowSession.h"

#include <doctest.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

uintptr_t ParseHandle(const std::string& text)
{
    return static_cast<uintptr_t>(std::strtoull(text.c_str(), nullptr, 16));
}

RECT ClientWithTop(HWND window, LONG top)
{
    RECT client;
    GetClientRect(window, &client);
    client.top = top;
    return client;
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

RECT ChildRect(HWND parent, HWND child)
{
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The engine's pane windows: every child of the main window that is not one
// of Tavlio's own controls.
std::vector<HWND> PaneWindows(const MainWindowSession& session)
{
    std::vector<HWND> panes;
    for (HWND child = GetWindow(session.Window(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (child != session.TabStrip() && child != session.Button(kAboutButtonId) &&
            child != session.Button(kHomeButtonId) && child != session.Button(kBackButtonId)) {
            panes.push_back(child);
        }
    }
    return panes;
}

} // namespace

TEST_CASE("creation makes the sixteen panes one after another in tab order")
{
    MainWindowSession session(L"creation");
    REQUIRE(session.Window());
    const std::vector<TraceLine> trace = session.Trace();

    const auto requests = LinesNamed(trace, "Loader.CreateCoreWebView2EnvironmentWithOptions");
    REQUIRE(requests.size() == kServiceCount);
    for (const TraceLine& request : requests) {
        CHECK(request.Arg(0) == "null");
        CHECK(request.Arg(1) == "null");
        CHECK(request.Arg(2) == "null");
    }

    const RECT firstBounds = ClientWithTop(session.Window(), 30);
    for (int pane = 0; pane < kServiceCount; ++pane) {
        CAPTURE(pane);
        // Strictly serial: a pane's environment is asked for only after the
        // previous pane has asked for its navigation.
        if (pane > 0) {
            CHECK(IndexOfNamed(trace, "Loader.CreateCoreWebView2EnvironmentWithOptions", pane) >
                  IndexOfNamed(trace, "WebView.Navigate", pane - 1));
        }
        const auto controllerRequests = LinesNamed(trace, "Environment.CreateCoreWebView2Controller", pane);
        REQUIRE(controllerRequests.size() == 1);
        CHECK(ParseHandle(controllerRequests[0].Arg(0)) == reinterpret_cast<uintptr_t>(session.Window()));

        const auto bounds = LinesNamed(trace, "Controller.put_Bounds", pane);
        REQUIRE_FALSE(bounds.empty());
        CHECK(SameRect(ParseRect(bounds[0].Arg(0)), firstBounds));

        const auto settings = LinesNamed(trace, "Settings.put_IsWebMessageEnabled", pane);
        REQUIRE(settings.size() == 1);
        CHECK(settings[0].Arg(0) == "1");
    }

    std::vector<std::pair<int, std::string>> expected;
    for (int pane = 0; pane < kServiceCount; ++pane) {
        expected.emplace_back(pane, Utf8(kServiceCatalogue[pane].url));
    }
    CHECK(Navigations(trace) == expected);

    const std::vector<int> visibility = LastVisibility(trace, kServiceCount);
    CHECK(visibility[0] == 1);
    CHECK(std::count(visibility.begin() + 1, visibility.end(), 0) == kServiceCount - 1);
    const std::vector<HWND> panes = PaneWindows(session);
    CHECK(panes.size() == kServiceCount);
    CHECK(std::count_if(panes.begin(), panes.end(), IsWindowVisible) == 1);

    CHECK(GetFocus() == session.TabStrip());
}

TEST_CASE("the window holds three buttons and sixteen tabs named after the catalogue")
{
    MainWindowSession session(L"controls");
    HWND tabStrip = session.TabStrip();
    REQUIRE(tabStrip);
    CHECK(GetDlgCtrlID(tabStrip) == kTabStripId);
    CHECK((GetWindowLongW(tabStrip, GWL_STYLE) & TCS_MULTILINE) != 0);
    REQUIRE(SendMessageW(tabStrip, TCM_GETITEMCOUNT, 0, 0) == kServiceCount);
    for (int tab = 0; tab < kServiceCount; ++tab) {
        wchar_t label[64] = {};
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = label;
        item.cchTextMax = static_cast<int>(std::size(label));
        SendMessageW(tabStrip, TCM_GETITEMW, tab, reinterpret_cast<LPARAM>(&item));
        CHECK(std::wstring(label) == kServiceCatalogue[tab].label);
    }
    CHECK(SendMessageW(tabStrip, TCM_GETCURSEL, 0, 0) == 0);

    const std::pair<int, const wchar_t*> buttons[] = {
        {kAboutButtonId, L"About"}, {kHomeButtonId, L"Home"}, {kBackButtonId, L"Back"}};
    for (const auto& [id, text] : buttons) {
        HWND button = session.Button(id);
        REQUIRE(button);
        wchar_t caption[32] = {};
        GetWindowTextW(button, caption, static_cast<int>(std::size(caption)));
        CHECK(std::wstring(caption) == text);
        CHECK(IsWindowVisible(button));
    }
    wchar_t title[8] = {};
    GetWindowTextW(session.Window(), title, static_cast<int>(std::size(title)));
    CHECK(std::wstring(title) == L"IA");
    wchar_t className[8] = {};
    GetClassNameW(session.Window(), className, static_cast<int>(std::size(className)));
    CHECK(std::wstring(className) == L"IA");
}

TEST_CASE("every size message lays out the buttons the tab strip and the panes")
{
    MainWindowSession session(L"layout");
    HWND window = session.Window();
    for (const int width : {1200, 900, 500, 120}) {
        CAPTURE(width);
        const size_t before = session.Trace().size();
        SetWindowPos(window, nullptr, 0, 0, width, 600, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT client;
        GetClientRect(window, &client);
        const int half = (client.right - client.left) / 2;

        CHECK(SameRect(ChildRect(window, session.Button(kHomeButtonId)), RECT{half + 395, 3, half + 440, 28}));
        CHECK(SameRect(ChildRect(window, session.Button(kAboutButtonId)), RECT{half + 447, 3, half + 497, 28}));
        CHECK(SameRect(ChildRect(window, session.Button(kBackButtonId)), RECT{half + 505, 3, half + 560, 28}));
        CHECK(SameRect(ChildRect(window, session.TabStrip()), RECT{0, 40, client.right, 80}));

        const RECT paneBounds = ClientWithTop(window, 80);
        const auto moves = LinesNamed(session.TraceSince(before), "Controller.put_Bounds");
        CHECK(moves.size() == kServiceCount);
        for (const TraceLine& move : moves) {
            CHECK(SameRect(ParseRect(move.Arg(0)), paneBounds));
        }
        for (HWND pane : PaneWindows(session)) {
            CHECK(SameRect(ChildRect(window, pane), paneBounds));
        }
    }

    HWND about = session.Button(kAboutButtonId);
    CHECK((GetWindowLongW(about, GWL_EXSTYLE) & WS_EX_LAYERED) != 0);
    BYTE alpha = 0;
    DWORD flags = 0;
    REQUIRE(GetLayeredWindowAttributes(about, nullptr, &alpha, &flags));
    CHECK(alpha == 250);
    CHECK(flags == LWA_ALPHA);
}

TEST_CASE("switching tabs hides the old pane and shows the new one")
{
    MainWindowSession session(L"tabs");
    HWND tabStrip = session.TabStrip();

    size_t before = session.Trace().size();
    ClickTab(tabStrip, 2);
    REQUIRE(SendMessageW(tabStrip, TCM_GETCURSEL, 0, 0) == 2);
    auto changes = LinesNamed(session.TraceSince(before), "Controller.put_IsVisible");
    REQUIRE(changes.size() == 2);
    CHECK((changes[0].pane == 0 && changes[0].Arg(0) == "0"));
    CHECK((changes[1].pane == 2 && changes[1].Arg(0) == "1"));
    const std::vector<HWND> panes = PaneWindows(session);
    CHECK(std::count_if(panes.begin(), panes.end(), IsWindowVisible) == 1);

    // The tab already selected changes nothing.
    before = session.Trace().size();
    ClickTab(tabStrip, 2);
    CHECK(CountNamed(session.TraceSince(before), "Controller.put_IsVisible") == 0);

    before = session.Trace().size();
    ClickTab(tabStrip, 15);
    changes = LinesNamed(session.TraceSince(before), "Controller.put_IsVisible");
    REQUIRE(changes.size() == 2);
    CHECK((changes[0].pane == 2 && changes[0].Arg(0) == "0"));
    CHECK((changes[1].pane == 15 && changes[1].Arg(0) == "1"));
}

TEST_CASE("Home and Back act on the visible pane only")
{
    MainWindowSession session(L"buttons");
    HWND window = session.Window();
    ClickTab(session.TabStrip(), 5);

    size_t before = session.Trace().size();
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(kBackButtonId, BN_CLICKED), reinterpret_cast<LPARAM>(session.Button(kBackButtonId)));
    auto backs = LinesNamed(session.TraceSince(before), "WebView.GoBack");
    REQUIRE(backs.size() == 1);
    CHECK(backs[0].pane == 5);

    before = session.Trace().size();
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(kHomeButtonId, BN_CLICKED), reinterpret_cast<LPARAM>(session.Button(kHomeButtonId)));
    auto homes = LinesNamed(session.TraceSince(before), "WebView.Navigate");
    REQUIRE(homes.size() == 1);
    CHECK(homes[0].pane == 5);
    CHECK(homes[0].Arg(0) == Utf8(kServiceCatalogue[5].url));

    // A real click on the button reaches the same command.
    before = session.Trace().size();
    SendMessageW(session.Button(kBackButtonId), BM_CLICK, 0, 0);
    CHECK(CountNamed(session.TraceSince(before), "WebView.GoBack", 5) == 1);
}

namespace {

struct ShellCall {
    HWND owner;
    std::wstring verb;
    std::wstring file;
    bool noParameters;
    bool noDirectory;
    int show;
};
std::vector<ShellCall> shellCalls;

HINSTANCE WINAPI RecordShellExecute(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
                                    INT show)
{
    shellCalls.push_back({owner, verb ? verb : L"", file ? file : L"", parameters == nullptr, directory == nullptr, show});
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
}

} // namespace

TEST_CASE("About opens the maker's site in the default browser")
{
    MainWindowSession session(L"about");
    // Seen on its way out of the process, instead of starting a browser.
    const ImportPatch patch(GetModuleHandleW(nullptr), "shell32.dll", "ShellExecuteW",
                            reinterpret_cast<void*>(&RecordShellExecute));
    REQUIRE(patch.Applied());
    const size_t before = session.Trace().size();
    SendMessageW(session.Button(kAboutButtonId), BM_CLICK, 0, 0);
    REQUIRE(shellCalls.size() == 1);
    CHECK(shellCalls[0].owner == nullptr);
    CHECK(shellCalls[0].verb == L"open");
    CHECK(shellCalls[0].file == L"http://tavlio.example/");
    CHECK(shellCalls[0].noParameters);
    CHECK(shellCalls[0].noDirectory);
    CHECK(shellCalls[0].show == SW_SHOWNORMAL);
    // The panes are not touched.
    CHECK(session.TraceSince(before).empty());
}

TEST_CASE("commands other than About Home and Back are swallowed")
{
    MainWindowSession session(L"commands");
    const size_t before = session.Trace().size();
    for (const int id : {0, 1, 2, 6, 99, 0xFFFF}) {
        CHECK(SendMessageW(session.Window(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0) == 0);
    }
    CHECK(session.TraceSince(before).empty());
    CHECK(IsWindow(session.Window()));
}

TEST_CASE("control colour messages give the control brush and the dark scheme")
{
    MainWindowSession session(L"colours");
    HWND window = session.Window();
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);

    const auto brushColour = [](LRESULT brush) {
        LOGBRUSH logBrush = {};
        REQUIRE(GetObjectW(reinterpret_cast<HBRUSH>(brush), sizeof(logBrush), &logBrush) == sizeof(logBrush));
        return logBrush.lbColor;
    };

    SetBkColor(dc, RGB(1, 2, 3));
    SetTextColor(dc, RGB(4, 5, 6));
    const LRESULT brush = SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(session.TabStrip()));
    CHECK(brushColour(brush) == RGB(40, 40, 40));
    CHECK(GetBkColor(dc) == RGB(40, 40, 40));
    CHECK(GetTextColor(dc) == RGB(255, 255, 255));

    for (const UINT message : {WM_CTLCOLORSTATIC, WM_CTLCOLOREDIT, WM_CTLCOLORLISTBOX, WM_CTLCOLORBTN,
                               WM_CTLCOLORDLG, WM_CTLCOLORSCROLLBAR}) {
        CAPTURE(message);
        SetBkColor(dc, RGB(1, 2, 3));
        SetTextColor(dc, RGB(4, 5, 6));
        const LRESULT result = SendMessageW(window, message, reinterpret_cast<WPARAM>(dc),
                                            reinterpret_cast<LPARAM>(session.Button(kHomeButtonId)));
        CHECK(result == brush);
        CHECK(GetBkColor(dc) == RGB(23, 23, 23));
        CHECK(GetTextColor(dc) == RGB(4, 5, 6));
    }

    // A system colour change makes a fresh brush of the same colour.
    SendMessageW(window, WM_SYSCOLORCHANGE, 0, 0);
    const LRESULT fresh = SendMessageW(window, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(session.Button(kHomeButtonId)));
    CHECK(brushColour(fresh) == RGB(40, 40, 40));
    if (fresh != brush) {
        LOGBRUSH gone = {};
        CHECK(GetObjectW(reinterpret_cast<HBRUSH>(brush), sizeof(gone), &gone) == 0);
    }
    DeleteDC(dc);
}

TEST_CASE("erasing fills the client area and painting fills the painted area")
{
    MainWindowSession session(L"painting");
    HWND window = session.Window();
    RECT client;
    GetClientRect(window, &client);

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, client.right, client.bottom);
    ReleaseDC(nullptr, screen);
    HGDIOBJ previous = SelectObject(dc, canvas);

    CHECK(SendMessageW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 1);
    CHECK(GetPixel(dc, 0, 0) == RGB(23, 23, 22));
    CHECK(GetPixel(dc, client.right - 1, client.bottom - 1) == RGB(23, 23, 22));
    SelectObject(dc, previous);
    DeleteObject(canvas);
    DeleteDC(dc);

    // Hide the panes' windows, paint, and read the window's own pixels.
    for (HWND pane : PaneWindows(session)) {
        ShowWindow(pane, SW_HIDE);
    }
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    HDC windowDc = GetDC(window);
    CHECK(GetPixel(windowDc, client.right / 2, client.bottom - 2) == RGB(33, 33, 33));
    ReleaseDC(window, windowDc);
}

TEST_CASE("the teardown clears the cache through the last pane and releases everything")
{
    MainWindowSession session(L"teardown");
    const size_t before = session.Trace().size();
    CHECK(session.Destroy());
    const std::vector<TraceLine> after = session.TraceSince(before);
    const auto clears = LinesNamed(after, "WebView.CallDevToolsProtocolMethod");
    REQUIRE(clears.size() == 1);
    CHECK(clears[0].pane == kServiceCount - 1);
    CHECK(clears[0].Arg(0) == "Network.clearBrowserCache");
    CHECK(clears[0].Arg(1) == "{}");
    CHECK(CountNamed(after, "Unexpected") == 0);

    const auto alive = session.UnloadEngine();
    REQUIRE_FALSE(alive.empty());
    for (const auto& [type, count] : alive) {
        CAPTURE(type);
        CHECK(count == 0);
    }
}

TEST_CASE("the teardown clears the cache through the highest pane that has a webview")
{
    MainWindowSession session(L"teardown-gaps", L"no-webview@15,controller-null@14");
    const size_t before = session.Trace().size();
    CHECK(session.Destroy());
    const auto clears = LinesNamed(session.TraceSince(before), "WebView.CallDevToolsProtocolMethod");
    REQUIRE(clears.size() == 1);
    CHECK(clears[0].pane == 13);
}

TEST_CASE("without any webview the teardown skips the cache and still releases and quits")
{
    MainWindowSession session(L"teardown-empty", L"no-webview@*");
    CHECK(session.Boxes().Boxes().empty());
    const size_t before = session.Trace().size();
    CHECK(session.Destroy());
    CHECK(CountNamed(session.TraceSince(before), "WebView.CallDevToolsProtocolMethod") == 0);
    const auto alive = session.UnloadEngine();
    REQUIRE_FALSE(alive.empty());
    for (const auto& [type, count] : alive) {
        CAPTURE(type);
        CHECK(count == 0);
    }
}
