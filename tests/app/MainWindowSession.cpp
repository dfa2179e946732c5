#include "MainWindowSession.h"

#include "MainWindow.h"

#include <commctrl.h>

#include <cstdlib>
#include <sstream>

MainWindowSession::MainWindowSession(const std::wstring& name, const std::wstring& failures,
                                     const std::wstring& delayMs)
    : tracePath(FreshTracePath(name))
{
    traceSetting = std::make_unique<ScopedEnvironment>(L"TAVLIO_STANDIN_TRACE", tracePath);
    failureSetting = std::make_unique<ScopedEnvironment>(L"TAVLIO_STANDIN_FAIL", failures);
    delaySetting = std::make_unique<ScopedEnvironment>(L"TAVLIO_STANDIN_DELAY_MS", delayMs);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterMainWindowClass(instance);
    window = CreateMainWindow(instance);
    if (window) {
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
    }
}

MainWindowSession::~MainWindowSession()
{
    if (window && IsWindow(window)) {
        DestroyWindow(window);
    }
}

HWND MainWindowSession::TabStrip() const
{
    return FindWindowExW(window, nullptr, WC_TABCONTROLW, nullptr);
}

HWND MainWindowSession::Button(int id) const
{
    return GetDlgItem(window, id);
}

std::vector<TraceLine> MainWindowSession::TraceSince(size_t count) const
{
    std::vector<TraceLine> lines = Trace();
    lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(std::min(count, lines.size())));
    return lines;
}

bool MainWindowSession::Destroy()
{
    DestroyWindow(window);
    window = nullptr;
    // The quit message is the last thing the teardown does; take it here
    // and let the engine deliver what it still owes meanwhile.
    const ULONGLONG end = GetTickCount64() + 5000;
    while (GetTickCount64() < end) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PumpMessagesFor(200);
                return true;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjectsEx(0, nullptr, 20, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    return false;
}

std::map<std::string, int> MainWindowSession::UnloadEngine()
{
    if (HMODULE engine = GetModuleHandleW(L"WebView2Loader.dll")) {
        FreeLibrary(engine);
    }
    std::map<std::string, int> alive;
    for (const TraceLine& line : LinesNamed(Trace(), "Unload")) {
        for (const std::string& field : line.args) {
            const size_t equals = field.find('=');
            if (equals != std::string::npos) {
                alive[field.substr(0, equals)] = std::atoi(field.c_str() + equals + 1);
            }
        }
    }
    return alive;
}

void ClickTab(HWND tabStrip, int tab)
{
    RECT item = {};
    SendMessageW(tabStrip, TCM_GETITEMRECT, tab, reinterpret_cast<LPARAM>(&item));
    const LPARAM point = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageW(tabStrip, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageW(tabStrip, WM_LBUTTONUP, 0, point);
}

std::vector<std::pair<int, std::string>> Navigations(const std::vector<TraceLine>& trace)
{
    std::vector<std::pair<int, std::string>> found;
    for (const TraceLine& line : LinesNamed(trace, "WebView.Navigate")) {
        found.emplace_back(line.pane, line.Arg(0));
    }
    return found;
}

std::vector<int> LastVisibility(const std::vector<TraceLine>& trace, int paneCount)
{
    std::vector<int> visible(static_cast<size_t>(paneCount), -1);
    for (const TraceLine& line : LinesNamed(trace, "Controller.put_IsVisible")) {
        if (line.pane >= 0 && line.pane < paneCount) {
            visible[static_cast<size_t>(line.pane)] = std::atoi(line.Arg(0).c_str());
        }
    }
    return visible;
}

RECT ParseRect(const std::string& text)
{
    RECT rect = {};
    char comma;
    std::istringstream in(text);
    in >> rect.left >> comma >> rect.top >> comma >> rect.right >> comma >> rect.bottom;
    return rect;
}
