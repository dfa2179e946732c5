// Each controller is a real child window of its parent: made before the
// request returns, placed, shown and hidden, painted in its pane's colour,
// destroyed by Close or with the last reference; creation fails with E_ABORT
// when the parent goes first. Navigate keeps a history for GoBack.
#include "StandinHarness.h"

#include <doctest.h>

namespace {

RECT RectInParent(HWND child)
{
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// The colour on screen at a point of the window's client area.
COLORREF PixelAt(HWND window, int x, int y)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessagesFor(50);
    const HDC dc = GetDC(window);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
}

} // namespace

TEST_CASE("the child window exists before the request returns and put_Bounds and put_IsVisible drive it")
{
    TracedTest test(L"window-place");
    LoadedStandin standin;
    ComApartment com;
    TestWindow parent;
    ComRef<ICoreWebView2Environment> environment = CreateEnvironment(standin);
    auto outcome = NewOutcome<ICoreWebView2Controller>();
    REQUIRE(environment->CreateCoreWebView2Controller(parent.Handle(), RecordController(outcome).get()) == S_OK);
    const HWND child = PaneWindowOf(parent);
    CHECK((GetWindowLongW(child, GWL_STYLE) & WS_CHILD) != 0);
    CHECK(IsWindowVisible(child)); // visible by default, as in the real engine
    REQUIRE(PumpUntil([&] { return outcome->calls > 0; }));
    ComRef<ICoreWebView2Controller> controller = outcome->object;

    const RECT bounds = {30, 40, 530, 440};
    REQUIRE(controller->put_Bounds(bounds) == S_OK);
    CHECK(SameRect(RectInParent(child), bounds));
    REQUIRE(controller->put_IsVisible(FALSE) == S_OK);
    CHECK_FALSE(IsWindowVisible(child));
    REQUIRE(controller->put_IsVisible(TRUE) == S_OK);
    CHECK(IsWindowVisible(child));
    CHECK(PaneWindowOf(parent) == child); // placing makes no new window
}

TEST_CASE("each pane paints its own colour and a hidden pane shows what is behind it")
{
    TracedTest test(L"window-paint");
    LoadedStandin standin;
    ComApartment com;
    TestWindow parent(800, 400);
    PaneObjects left = CreatePane(standin, parent.Handle());
    PaneObjects right = CreatePane(standin, parent.Handle());
    left.controller->put_Bounds(RECT{0, 0, 400, 400});
    right.controller->put_Bounds(RECT{400, 0, 800, 400});
    left.webView->Navigate(L"https://left.test/");

    const COLORREF leftColour = PixelAt(parent.Handle(), 200, 390);
    const COLORREF rightColour = PixelAt(parent.Handle(), 600, 390);
    const COLORREF white = RGB(0xFF, 0xFF, 0xFF);
    REQUIRE(leftColour != CLR_INVALID);
    CHECK(leftColour != white);
    CHECK(rightColour != white);
    CHECK(leftColour != rightColour);

    right.controller->put_IsVisible(FALSE);
    CHECK(PixelAt(parent.Handle(), 600, 390) == white);
    CHECK(PixelAt(parent.Handle(), 200, 390) == leftColour);
}

TEST_CASE("Close and the last release destroy the window and a closed controller refuses work")
{
    TracedTest test(L"window-close");
    LoadedStandin standin;
    ComApartment com;
    TestWindow parent;
    PaneObjects closed = CreatePane(standin, parent.Handle());
    const HWND closedWindow = PaneWindowOf(parent);
    REQUIRE(closed.controller->Close() == S_OK);
    CHECK_FALSE(IsWindow(closedWindow));
    CHECK(closed.controller->Close() == S_OK); // twice is harmless
    const HRESULT invalidState = HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    CHECK(closed.controller->put_Bounds(RECT{0, 0, 10, 10}) == invalidState);
    CHECK(closed.webView->Navigate(L"https://late.test/") == invalidState);

    TestWindow otherParent;
    ComRef<ICoreWebView2Controller> released = CreateController(closed.environment.get(), otherParent.Handle());
    const HWND releasedWindow = PaneWindowOf(otherParent);
    ComRef<ICoreWebView2> webView;
    REQUIRE(released->get_CoreWebView2(webView.put()) == S_OK);
    released.reset(); // the webview alone does not keep the window
    CHECK_FALSE(IsWindow(releasedWindow));
    CHECK(webView->Navigate(L"https://after.test/") == invalidState);
}

TEST_CASE("destroying the parent before delivery fails the creation with E_ABORT at once")
{
    TracedTest test(L"window-abort");
    LoadedStandin standin;
    ComApartment com;
    ScopedEnvironment fail(L"TAVLIO_STANDIN_FAIL", L"controller-late@1");
    ScopedEnvironment late(L"TAVLIO_STANDIN_LATE_MS", L"60000");
    ComRef<ICoreWebView2Environment> posted = CreateEnvironment(standin);
    ComRef<ICoreWebView2Environment> delayed = CreateEnvironment(standin);

    for (ICoreWebView2Environment* environment : {posted.get(), delayed.get()}) {
        TestWindow parent;
        auto outcome = NewOutcome<ICoreWebView2Controller>();
        ComRef<ControllerHandler> handler = RecordController(outcome);
        REQUIRE(environment->CreateCoreWebView2Controller(parent.Handle(), handler.get()) == S_OK);
        parent.Destroy();
        // The handler ran before DestroyWindow returned.
        CHECK(outcome->calls == 1);
        CHECK(outcome->error == E_ABORT);
        CHECK_FALSE(outcome->object);
        CHECK(RefCount(handler.get()) == 1);
        PumpMessagesFor(50);
        CHECK(outcome->calls == 1); // and never again
    }
    CHECK(CountNamed(test.Lines(), "Invoke.ControllerCompleted") == 2);
}

TEST_CASE("Navigate keeps a history for GoBack and get_CanGoBack and repaints the address")
{
    TracedTest test(L"window-history");
    LoadedStandin standin;
    ComApartment com;
    TestWindow parent;
    PaneObjects pane = CreatePane(standin, parent.Handle());
    const HWND child = PaneWindowOf(parent);
    BOOL canGoBack = TRUE;

    REQUIRE(pane.webView->get_CanGoBack(&canGoBack) == S_OK);
    CHECK(canGoBack == FALSE);
    pane.webView->Navigate(L"https://a.test/");
    REQUIRE(pane.webView->get_CanGoBack(&canGoBack) == S_OK);
    CHECK(canGoBack == FALSE); // the first page replaces the blank one
    pane.webView->Navigate(L"https://b.test/");
    pane.webView->Navigate(L"https://b.test/"); // a reload adds no entry
    pane.webView->Navigate(L"https://c.test/");
    CHECK(WindowText(child) == L"https://c.test/");

    REQUIRE(pane.webView->GoBack() == S_OK);
    CHECK(WindowText(child) == L"https://b.test/");
    REQUIRE(pane.webView->GoBack() == S_OK);
    CHECK(WindowText(child) == L"https://a.test/");
    REQUIRE(pane.webView->get_CanGoBack(&canGoBack) == S_OK);
    CHECK(canGoBack == FALSE);
    REQUIRE(pane.webView->GoBack() == S_OK); // nothing behind: stays
    CHECK(WindowText(child) == L"https://a.test/");

    pane.webView->Navigate(L"https://d.test/"); // drops what was ahead
    BOOL canGoForward = TRUE;
    REQUIRE(pane.webView->get_CanGoForward(&canGoForward) == S_OK);
    CHECK(canGoForward == FALSE);
    REQUIRE(pane.webView->GoBack() == S_OK);
    CHECK(WindowText(child) == L"https://a.test/");

    std::vector<std::string> wentBackTo;
    for (const TraceLine& line : LinesNamed(test.Lines(), "WebView.GoBack")) {
        wentBackTo.push_back(line.args.at(0));
    }
    CHECK(wentBackTo == std::vector<std::string>{"\"https://b.test/\"", "\"https://a.test/\"", "null", "\"https://a.test/\""});
}
