#include "MainWindow.h"

#include "BrowserPane.h"
#include "Catalogue.h"

#include <commctrl.h>
#include <shellapi.h>

namespace {

constexpr COLORREF kControlColour = RGB(40, 40, 40);
constexpr COLORREF kPaintColour = RGB(33, 33, 33);
constexpr COLORREF kBackgroundColour = RGB(23, 23, 22);
constexpr COLORREF kControlTextBackground = RGB(23, 23, 23);
constexpr COLORREF kTabTextColour = RGB(255, 255, 255);

constexpr int kButtonTop = 3;
constexpr int kButtonHeight = 25;
constexpr int kTabStripTop = 40;
constexpr int kTabStripHeight = 40;
constexpr int kTabWidth = 80;
constexpr int kTabHeight = 20;
// Panes start just below the buttons and move below the tab strip at the
// first size message.
constexpr int kPaneTopAtCreation = 30;
constexpr int kPaneTop = 80;
// Offsets of the buttons from the centre of the client area.
constexpr int kHomeOffset = 395;
constexpr int kAboutOffset = 447;
constexpr int kBackOffset = 505;
constexpr BYTE kAboutAlpha = 250;

HBRUSH controlBrush = nullptr;
HWND aboutButton = nullptr;
HWND homeButton = nullptr;
HWND backButton = nullptr;
HWND tabStrip = nullptr;
int selectedTab = 0;
BrowserPane panes[kServiceCount];
bool comInitialized = false;

HWND CreateChild(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int width,
                 int height, int id)
{
    return CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
}

void ShowPane(int tab, BOOL visible)
{
    if (tab >= 0 && tab < kServiceCount && panes[tab].controller) {
        panes[tab].controller->put_IsVisible(visible);
    }
}

void CreateTabs()
{
    for (int tab = 0; tab < kServiceCount; ++tab) {
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(kServiceCatalogue[tab].label);
        SendMessageW(tabStrip, TCM_INSERTITEMW, tab, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(tabStrip, TCM_SETMINTABWIDTH, 0, kTabWidth);
    SendMessageW(tabStrip, TCM_SETITEMSIZE, 0, MAKELPARAM(kTabWidth, kTabHeight));
}

// Creates the panes one after another, in tab order; only the first shows.
void CreatePanes(HWND window)
{
    // The engine needs a single-threaded apartment; the teardown leaves it.
    comInitialized = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    for (int tab = 0; tab < kServiceCount; ++tab) {
        RECT bounds;
        GetClientRect(window, &bounds);
        bounds.top = kPaneTopAtCreation;
        InitWebView2(window, bounds, kServiceCatalogue[tab].url, panes[tab].controller, panes[tab].webview);
        if (tab != 0) {
            ShowPane(tab, FALSE);
        }
    }
    ShowPane(0, TRUE);
}

LRESULT OnCreate(HWND window)
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    controlBrush = CreateSolidBrush(kControlColour);

    // First positions; the first size message moves the buttons.
    aboutButton = CreateChild(window, L"BUTTON", L"About", BS_PUSHBUTTON, 942, kButtonTop, 50, kButtonHeight,
                              kAboutButtonId);
    homeButton = CreateChild(window, L"BUTTON", L"Home", BS_PUSHBUTTON, 890, kButtonTop, 50, kButtonHeight,
                             kHomeButtonId);
    backButton = CreateChild(window, L"BUTTON", L"Back", BS_PUSHBUTTON, 990, kButtonTop, 55, kButtonHeight,
                             kBackButtonId);
    tabStrip = CreateChild(window, WC_TABCONTROLW, L"", TCS_MULTILINE, 0, kTabStripTop, 0, 0, kTabStripId);
    CreateTabs();
    SetFocus(tabStrip);

    CreatePanes(window);
    return 0;
}

void OnSize(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    const int half = (client.right - client.left) / 2;
    MoveWindow(aboutButton, half + kAboutOffset, kButtonTop, 50, kButtonHeight, TRUE);
    MoveWindow(homeButton, half + kHomeOffset, kButtonTop, 45, kButtonHeight, TRUE);
    MoveWindow(backButton, half + kBackOffset, kButtonTop, 55, kButtonHeight, TRUE);

    SetWindowLongW(aboutButton, GWL_EXSTYLE, GetWindowLongW(aboutButton, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetLayeredWindowAttributes(aboutButton, 0, kAboutAlpha, LWA_ALPHA);

    MoveWindow(tabStrip, 0, kTabStripTop, client.right, kTabStripHeight, TRUE);

    RECT paneBounds = client;
    paneBounds.top = kPaneTop;
    for (BrowserPane& pane : panes) {
        if (pane.controller) {
            pane.controller->put_Bounds(paneBounds);
        }
    }
}

void FillWithNewBrush(HDC dc, const RECT& area, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &area, brush);
    DeleteObject(brush);
}

void OnPaint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    FillWithNewBrush(dc, paint.rcPaint, kPaintColour);
    EndPaint(window, &paint);
}

LRESULT OnEraseBackground(HWND window, HDC dc)
{
    RECT client;
    GetClientRect(window, &client);
    FillWithNewBrush(dc, client, kBackgroundColour);
    return 1;
}

void OnSysColorChange(HWND window)
{
    if (controlBrush) {
        DeleteObject(controlBrush);
    }
    controlBrush = CreateSolidBrush(kControlColour);
    InvalidateRect(window, nullptr, TRUE);
}

void OnTabChange()
{
    const int newTab = static_cast<int>(SendMessageW(tabStrip, TCM_GETCURSEL, 0, 0));
    if (newTab < 0 || newTab >= kServiceCount || newTab == selectedTab) {
        return;
    }
    ShowPane(selectedTab, FALSE);
    ShowPane(newTab, TRUE);
    selectedTab = newTab;
}

void OnCommand(int id)
{
    const bool tabInRange = selectedTab >= 0 && selectedTab < kServiceCount;
    switch (id) {
    case kAboutButtonId:
        ShellExecuteW(nullptr, L"open", kMakerSite, nullptr, nullptr, SW_SHOWNORMAL);
        break;
    case kHomeButtonId:
        if (tabInRange && panes[selectedTab].webview) {
            panes[selectedTab].webview->Navigate(kServiceCatalogue[selectedTab].url);
        }
        break;
    case kBackButtonId:
        if (tabInRange && panes[selectedTab].webview) {
            panes[selectedTab].webview->GoBack();
        }
        break;
    default:
        break;
    }
}

// The tab strip draws white on the control colour; every other control's
// text sits on the window's own dark grey.
LRESULT OnControlColour(UINT message, HDC dc, HWND control)
{
    if (message == WM_CTLCOLORSTATIC && control == tabStrip) {
        SetBkColor(dc, kControlColour);
        SetTextColor(dc, kTabTextColour);
    } else {
        SetBkColor(dc, kControlTextBackground);
    }
    return reinterpret_cast<LRESULT>(controlBrush);
}

void OnDestroy()
{
    // The pane whose controller arrived last is the highest-numbered one.
    for (int tab = kServiceCount - 1; tab >= 0; --tab) {
        if (panes[tab].webview) {
            ClearCacheAndCookiesForWebView(panes[tab].webview);
            break;
        }
    }
    for (BrowserPane& pane : panes) {
        pane.webview.reset();
        pane.controller.reset();
    }
    if (comInitialized) {
        CoUninitialize();
        comInitialized = false;
    }
    PostQuitMessage(0);
}

} // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate(window);
    case WM_SIZE:
        OnSize(window);
        return 0;
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_ERASEBKGND:
        return OnEraseBackground(window, reinterpret_cast<HDC>(wParam));
    case WM_SYSCOLORCHANGE:
        OnSysColorChange(window);
        return 0;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->hwndFrom == tabStrip && header->code == TCN_SELCHANGE) {
            OnTabChange();
        }
        break;
    }
    case WM_COMMAND:
        // Every command ends here, known or not.
        OnCommand(LOWORD(wParam));
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
        return OnControlColour(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DESTROY:
        OnDestroy();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterMainWindowClass(HINSTANCE instance)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kMainWindowClass;
    RegisterClassW(&windowClass);
}

HWND CreateMainWindow(HINSTANCE instance)
{
    return CreateWindowExW(0, kMainWindowClass, kMainWindowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
}
