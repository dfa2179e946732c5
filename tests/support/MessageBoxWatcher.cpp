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

SeenMessageBox Describe(HWND dialog)
{
    SeenMessageBox box;
    box.caption = WindowText(dialog);
    box.owner = GetWindow(dialog, GW_OWNER);
    box.thread = GetWindowThreadProcessId(dialog, nullptr);
    const HICON errorIcon = LoadIconW(nullptr, IDI_ERROR);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::wstring kind = ClassOf(child);
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        if (_wcsicmp(kind.c_str(), L"Button") == 0) {
            ++box.buttons;
        } else if (_wcsicmp(kind.c_str(), L"Static") == 0) {
            if ((style & SS_TYPEMASK) == SS_ICON) {
                const auto icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
                box.errorIcon = icon && icon == errorIcon;
            } else if (box.text.empty()) {
                box.text = WindowText(child);
            }
        }
    }
    return box;
}

} // namespace

MessageBoxWatcher::MessageBoxWatcher(bool pressOk) : pressOk(pressOk), watcher([this] { Watch(); }) {}

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
    std::vector<HWND> dialogs;
    EnumWindows(
        [](HWND window, LPARAM found) -> BOOL {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == GetCurrentProcessId() && IsWindowVisible(window) && ClassOf(window) == L"#32770") {
                reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&dialogs));

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
