#include "TavlioProcess.h"

#include <commctrl.h>

namespace {

constexpr DWORD kPollMs = 20;

struct WindowSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM context)
{
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[8] = {};
    GetClassNameW(window, className, static_cast<int>(std::size(className)));
    if (owner == search->process && IsWindowVisible(window) && std::wstring(className) == L"IA") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

void SendKey(WORD key, bool up)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof(input));
}

void SendMouseButton(DWORD flags)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
}

} // namespace

std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

TavlioProcess::TavlioProcess(const std::wstring& name, const std::wstring& program,
                             const std::vector<std::wstring>& environment, int showCommand)
    : tracePath(FreshTracePath(name))
{
    // The child inherits this test process's environment.
    SetEnvironmentVariableW(L"TAVLIO_STANDIN_TRACE", tracePath.c_str());
    for (const std::wstring& setting : environment) {
        const size_t equals = setting.find(L'=');
        SetEnvironmentVariableW(setting.substr(0, equals).c_str(), setting.substr(equals + 1).c_str());
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION info = {};
    std::wstring commandLine = L"\"" + program + L"\"";
    if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &info)) {
        process = info.hProcess;
        processId = info.dwProcessId;
        CloseHandle(info.hThread);
    }
    watcher = std::make_unique<MessageBoxWatcher>(true, processId);
}

TavlioProcess::~TavlioProcess()
{
    watcher.reset();
    if (process) {
        if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process, 1);
        }
        CloseHandle(process);
    }
}

HWND TavlioProcess::WaitForMainWindow(DWORD timeoutMs)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!mainWindow && GetTickCount64() < end) {
        WindowSearch search{processId, nullptr};
        EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
        mainWindow = search.found;
        if (!mainWindow) {
            Sleep(kPollMs);
        }
    }
    return mainWindow;
}

void TavlioProcess::Click(const RECT& screenRect) const
{
    SetCursorPos((screenRect.left + screenRect.right) / 2, (screenRect.top + screenRect.bottom) / 2);
    SendMouseButton(MOUSEEVENTF_LEFTDOWN);
    SendMouseButton(MOUSEEVENTF_LEFTUP);
}

void TavlioProcess::ClickTab(int tab) const
{
    HWND tabStrip = FindWindowExW(mainWindow, nullptr, WC_TABCONTROLW, nullptr);
    // The tab strip writes the rectangle into its own process's memory.
    void* remote = VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
    RECT item = {};
    if (remote && SendMessageW(tabStrip, TCM_GETITEMRECT, tab, reinterpret_cast<LPARAM>(remote))) {
        ReadProcessMemory(process, remote, &item, sizeof(item), nullptr);
    }
    if (remote) {
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    MapWindowPoints(tabStrip, HWND_DESKTOP, reinterpret_cast<POINT*>(&item), 2);
    Click(item);
}

void TavlioProcess::ClickButton(int id) const
{
    // A person clicks the part of the button that can be seen: inside the
    // window's client area and on the screen.
    RECT button = {};
    GetWindowRect(GetDlgItem(mainWindow, id), &button);
    RECT client = {};
    GetClientRect(mainWindow, &client);
    MapWindowPoints(mainWindow, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT visible = {};
    IntersectRect(&visible, &button, &client);
    IntersectRect(&visible, &visible, &screen);
    Click(visible);
}

void TavlioProcess::PressAltF4() const
{
    SetForegroundWindow(mainWindow);
    SendKey(VK_MENU, false);
    SendKey(VK_F4, false);
    SendKey(VK_F4, true);
    SendKey(VK_MENU, true);
}

bool TavlioProcess::WaitForExit(DWORD timeoutMs, DWORD& exitCode) const
{
    if (!process || WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) {
        return false;
    }
    return GetExitCodeProcess(process, &exitCode) != 0;
}

bool TavlioProcess::WaitForTrace(const std::string& name, size_t count, DWORD timeoutMs) const
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (CountNamed(Trace(), name) >= count) {
            return true;
        }
        if (GetTickCount64() >= end) {
            return false;
        }
        Sleep(kPollMs);
    }
}
