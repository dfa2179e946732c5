#include "Pane.h"

#include <set>
#include <utility>

namespace standin {

namespace {

constexpr UINT kDiscardMessage = WM_APP + 0x5A2;
constexpr wchar_t kBlankAddress[] = L"about:blank";

// One colour per pane ordinal, so a screenshot shows which pane is in front.
constexpr COLORREF kPaneColours[] = {
    RGB(0xE6, 0x19, 0x4B), RGB(0x3C, 0xB4, 0x4B), RGB(0xFF, 0xE1, 0x19), RGB(0x43, 0x63, 0xD8),
    RGB(0xF5, 0x82, 0x31), RGB(0x91, 0x1E, 0xB4), RGB(0x46, 0xF0, 0xF0), RGB(0xF0, 0x32, 0xE6),
    RGB(0xBC, 0xF6, 0x0C), RGB(0xFA, 0xBE, 0xBE), RGB(0x00, 0x80, 0x80), RGB(0xE6, 0xBE, 0xFF),
    RGB(0x9A, 0x63, 0x24), RGB(0xFF, 0xFA, 0xC8), RGB(0x80, 0x00, 0x00), RGB(0xAA, 0xFF, 0xC3),
};

HINSTANCE moduleInstance = nullptr;
std::wstring paneClass;

// Every pane window alive, so unload can deal with those left behind.
std::mutex windowsLock;
std::set<HWND>* paneWindows = nullptr;

COLORREF TextColourOn(COLORREF background)
{
    const int luminance = GetRValue(background) * 299 + GetGValue(background) * 587 + GetBValue(background) * 114;
    return luminance > 128000 ? RGB(0, 0, 0) : RGB(0xFF, 0xFF, 0xFF);
}

void DrawTextIn(HDC dc, const std::wstring& text, int height, int weight, RECT area, UINT format)
{
    const HFONT font = CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                   CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma");
    const HGDIOBJ previous = SelectObject(dc, font);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, format | DT_NOPREFIX);
    SelectObject(dc, previous);
    DeleteObject(font);
}

void Paint(HWND window, const Pane* pane)
{
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    const int ordinal = pane ? pane->Ordinal() : 0;
    const COLORREF background = kPaneColours[static_cast<size_t>(ordinal) % std::size(kPaneColours)];

    const HBRUSH brush = CreateSolidBrush(background);
    FillRect(dc, &client, brush);
    DeleteObject(brush);

    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, TextColourOn(background));
    RECT label = client;
    InflateRect(&label, -12, -8);
    DrawTextIn(dc, L"pane " + std::to_wstring(ordinal), 18, FW_NORMAL, label, DT_LEFT | DT_TOP | DT_SINGLELINE);
    if (pane) {
        RECT text = client;
        InflateRect(&text, -24, -40);
        DrawTextIn(dc, pane->Address(), 40, FW_BOLD, text, DT_CENTER | DT_WORDBREAK | DT_EDITCONTROL);
    }
    EndPaint(window, &paint);
}

std::weak_ptr<Pane>* PaneOf(HWND window)
{
    return reinterpret_cast<std::weak_ptr<Pane>*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT CALLBACK PaneWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // WM_PAINT fills it all
    case WM_PAINT: {
        std::shared_ptr<Pane> pane;
        if (const auto weak = PaneOf(window)) {
            pane = weak->lock();
        }
        Paint(window, pane.get());
        return 0;
    }
    case kDiscardMessage:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        if (const auto weak = PaneOf(window)) {
            if (const std::shared_ptr<Pane> pane = weak->lock()) {
                pane->WindowDestroyed(window);
            }
        }
        return 0;
    case WM_NCDESTROY:
        delete PaneOf(window);
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        {
            std::lock_guard guard(windowsLock);
            if (paneWindows) {
                paneWindows->erase(window);
            }
        }
        return DefWindowProcW(window, message, wParam, lParam);
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

Pane::Pane(int ordinal, std::shared_ptr<const Config> config) : ordinal(ordinal), config(std::move(config)) {}

Pane::~Pane()
{
    DiscardWindow();
}

HRESULT Pane::CreateWindowIn(HWND parentWindow)
{
    if (!parentWindow || (parentWindow != HWND_MESSAGE && !IsWindow(parentWindow))) {
        return E_INVALIDARG;
    }
    parent = parentWindow;
    const HWND created = CreateWindowExW(WS_EX_NOPARENTNOTIFY, paneClass.c_str(), kBlankAddress,
                                         WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 0, 0,
                                         parentWindow, nullptr, moduleInstance, nullptr);
    if (!created) {
        const DWORD error = GetLastError();
        return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    SetWindowLongPtrW(created, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new std::weak_ptr<Pane>(weak_from_this())));
    {
        std::lock_guard guard(windowsLock);
        paneWindows->insert(created);
    }
    window = created;
    return S_OK;
}

void Pane::DiscardWindow()
{
    const HWND old = window.exchange(nullptr);
    if (!old) {
        return;
    }
    if (GetWindowThreadProcessId(old, nullptr) == GetCurrentThreadId()) {
        DestroyWindow(old);
    } else {
        // Only a window's own thread may destroy it.
        PostMessageW(old, kDiscardMessage, 0, 0);
    }
}

void Pane::WindowDestroyed(HWND destroyed)
{
    HWND expected = destroyed;
    window.compare_exchange_strong(expected, nullptr);
    // The real engine fails a creation whose parent goes away with E_ABORT,
    // before DestroyWindow returns.
    if (const CompletionTicket ticket = creationTicket.exchange(0)) {
        AbortNow(ticket, E_ABORT);
    }
}

void Pane::SetBounds(const RECT& rect)
{
    bounds = rect;
    if (const HWND current = Window()) {
        const int width = rect.right > rect.left ? rect.right - rect.left : 0;
        const int height = rect.bottom > rect.top ? rect.bottom - rect.top : 0;
        SetWindowPos(current, nullptr, rect.left, rect.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void Pane::SetVisible(bool visibleNow)
{
    visible = visibleNow;
    if (const HWND current = Window()) {
        ShowWindow(current, visibleNow ? SW_SHOWNA : SW_HIDE);
    }
}

void Pane::Close()
{
    closed = true;
    DiscardWindow();
}

void Pane::Navigate(const std::wstring& address)
{
    {
        std::lock_guard guard(historyLock);
        if (history.empty()) {
            history.push_back(address); // replaces the initial blank document
        } else if (history[current] != address) {
            history.resize(current + 1); // drops what was ahead
            history.push_back(address);
            current = history.size() - 1;
        }
        // The same address again is a reload: no new entry, as in Chromium.
    }
    ShowAddress();
}

std::optional<std::wstring> Pane::GoBack()
{
    std::wstring address;
    {
        std::lock_guard guard(historyLock);
        if (current == 0) {
            return std::nullopt;
        }
        address = history[--current];
    }
    ShowAddress();
    return address;
}

bool Pane::CanGoBack() const
{
    std::lock_guard guard(historyLock);
    return current > 0;
}

bool Pane::CanGoForward() const
{
    std::lock_guard guard(historyLock);
    return current + 1 < history.size();
}

std::wstring Pane::Address() const
{
    std::lock_guard guard(historyLock);
    return history.empty() ? std::wstring(kBlankAddress) : history[current];
}

void Pane::ShowAddress()
{
    if (const HWND current = Window()) {
        // The window text lets tests read what the pane shows.
        SetWindowTextW(current, Address().c_str());
        InvalidateRect(current, nullptr, TRUE);
    }
}

bool RegisterPaneWindowClass(HINSTANCE instance)
{
    moduleInstance = instance;
    paneWindows = new std::set<HWND>;
    // As for the post office: a name an earlier load left behind is skipped.
    for (int attempt = 0; attempt < 64; ++attempt) {
        paneClass = L"TavlioStandinPane" + std::to_wstring(attempt);
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = PaneWindowProc;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = paneClass.c_str();
        if (RegisterClassExW(&windowClass)) {
            return true;
        }
    }
    return false;
}

void ShutDownPaneWindows()
{
    std::set<HWND> remaining;
    {
        std::lock_guard guard(windowsLock);
        remaining = *paneWindows;
    }
    const DWORD thread = GetCurrentThreadId();
    for (const HWND window : remaining) {
        if (!IsWindow(window)) {
            continue;
        }
        if (GetWindowThreadProcessId(window, nullptr) == thread) {
            DestroyWindow(window);
        } else {
            // Left on another thread: no code of ours may run for it after unload.
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcW));
        }
    }
    UnregisterClassW(paneClass.c_str(), moduleInstance);
    std::lock_guard guard(windowsLock);
    delete std::exchange(paneWindows, nullptr);
}

} // namespace standin
