#include "MessageBoxWatcher.h"

#include <algorithm>

namespace {

constexpr DWORD kPollMs = 15;

std::wstring WindowText(HWND window)
{
    wchar_t buffer[1024] = {};
    GetWindowTextW(window, buffer, static_cast<int>(std::size(buffer)));
    return buffer;
}

std::wstring ClassOf(HWND window)
{
    wchar_t buffer[64] = {};
    GetClassNameW(window, buffer, static_cast<int>(std::size(buffer)));
    return buffer;
}

// Whether the icon control shows the system's error icon. An icon handle
// from another process cannot be compared with this process's own, so the
// control's pixels on screen are compared with the error icon drawn here.
bool ShowsErrorIcon(HWND iconControl, HICON icon, bool sameProcess)
{
    const HICON errorIcon = LoadIconW(nullptr, IDI_ERROR);
    if (sameProcess || !icon) {
        return icon && icon == errorIcon;
    }
    RECT area;
    GetClientRect(iconControl, &area);
    const int width = area.right;
    const int height = area.bottom;
    HDC screen = GetDC(nullptr);
    HDC shown = CreateCompatibleDC(screen);
    HDC drawn = CreateCompatibleDC(screen);
    HBITMAP shownBitmap = CreateCompatibleBitmap(screen, width, height);
    HBITMAP drawnBitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ oldShown = SelectObject(shown, shownBitmap);
    HGDIOBJ oldDrawn = SelectObject(drawn, drawnBitmap);

    POINT origin = {0, 0};
    ClientToScreen(iconControl, &origin);
    HBRUSH fill = GetSysColorBrush(COLOR_3DFACE);
    FillRect(drawn, &area, fill);
    DrawIconEx(drawn, 0, 0, errorIcon, 0, 0, 0, nullptr, DI_NORMAL);

    // The box may not have painted yet when it first shows.
    bool same = false;
    for (int attempt = 0; attempt < 25 && !same; ++attempt) {
        if (attempt > 0) {
            Sleep(20);
        }
        BitBlt(shown, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
        same = width > 0 && height > 0;
        for (int y = 0; same && y < height; ++y) {
            for (int x = 0; same && x < width; ++x) {
                same = GetPixel(shown, x, y) == GetPixel(drawn, x, y);
            }
        }
    }
    SelectObject(shown, oldShown);
    SelectObject(drawn, oldDrawn);
    DeleteObject(shownBitmap);
    DeleteObject(drawnBitmap);
    DeleteDC(shown);
    DeleteDC(drawn);
    ReleaseDC(nullptr, screen);
    return same;
}

SeenMessageBox Describe(HWND dialog)
{
    SeenMessageBox box;
    box.caption = WindowText(dialog);
    box.owner = GetWindow(dialog, GW_OWNER);
    DWORD process = 0;
    box.thread = GetWindowThreadProcessId(dialog, &process);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::wstring kind = ClassOf(child);
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        if (_wcsicmp(kind.c_str(), L"Button") == 0) {
            ++box.buttons;
        } else if (_wcsicmp(kind.c_str(), L"Static") == 0) {
            if ((style & SS_TYPEMASK) == SS_ICON) {
                const auto icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
                box.errorIcon = ShowsErrorIcon(child, icon, process == GetCurrentProcessId());
            } else if (box.text.empty()) {
                box.text = WindowText(child);
            }
        }
    }
    return box;
}

} // namespace

MessageBoxWatcher::MessageBoxWatcher(bool pressOk, DWORD process)
    : pressOk(pressOk), process(process ? process : GetCurrentProcessId()), watcher([this] { Watch(); })
{
}

MessageBoxWatcher::~MessageBoxWatcher()
{
    stopping = true;
    watcher.join();
}

std::vector<SeenMessageBox> MessageBoxWatcher::Boxes() const
{
    std::lock_guard guard(lock);
    return boxes;
}

bool MessageBoxWatcher::WaitForBoxes(size_t count, DWORD timeoutMs) const
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        {
            std::lock_guard guard(lock);
            if (boxes.size() >= count) {
                return true;
            }
        }
        if (GetTickCount64() >= end) {
            return false;
        }
        PumpMessagesFor(kPollMs);
    }
}

void MessageBoxWatcher::Watch()
{
    while (!stopping) {
        Look();
        Sleep(kPollMs);
    }
}

void MessageBoxWatcher::Look()
{
    struct Search {
        DWORD process;
        std::vector<HWND> dialogs;
    } search{process, {}};
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            auto* search = reinterpret_cast<Search*>(context);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == search->process && IsWindowVisible(window) && ClassOf(window) == L"#32770") {
                search->dialogs.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    const std::vector<HWND>& dialogs = search.dialogs;

    std::lock_guard guard(lock);
    // Forget boxes that are gone, so a reused handle counts as a new box.
    std::erase_if(handled, [](HWND window) { return !IsWindow(window); });
    for (HWND dialog : dialogs) {
        if (std::find(handled.begin(), handled.end(), dialog) != handled.end()) {
            continue;
        }
        handled.push_back(dialog);
        boxes.push_back(Describe(dialog));
        if (pressOk) {
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
    }
}

void PumpMessagesFor(DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end) {
            return;
        }
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}
