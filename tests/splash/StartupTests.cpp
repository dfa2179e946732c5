// The real Tavlio.exe starting up: the splash thread runs beside the main
// thread, which creates the main window without waiting for the splash.
#include "TavlioProcess.h"

#include <doctest.h>

namespace {

constexpr DWORD kPollMs = 20;
constexpr DWORD kTimeoutMs = 20000;

struct Search {
    DWORD process;
    const wchar_t* className;
    HWND found;
};

// A top-level window of the process with the class, shown or not.
HWND FindProcessWindow(DWORD process, const wchar_t* className)
{
    Search search{process, className, nullptr};
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            auto* search = reinterpret_cast<Search*>(context);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t name[32] = {};
            GetClassNameW(window, name, static_cast<int>(std::size(name)));
            if (owner == search->process && std::wstring(name) == search->className) {
                search->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForVisibleSplash(const TavlioProcess& app)
{
    const ULONGLONG end = GetTickCount64() + kTimeoutMs;
    while (GetTickCount64() < end) {
        const HWND splash = FindProcessWindow(app.Id(), L"Splash");
        if (splash && IsWindowVisible(splash)) {
            return splash;
        }
        Sleep(kPollMs);
    }
    return nullptr;
}

} // namespace

TEST_CASE("The main window is created while the splash shows")
{
    TavlioProcess app(L"splash-startup", ProgramFolder() + L"Tavlio.exe");
    REQUIRE(app.Started());
    const HWND splash = WaitForVisibleSplash(app);
    REQUIRE(splash);

    // Look for both at once until the splash hides.
    bool together = false;
    while (!together && IsWindowVisible(splash)) {
        together = FindProcessWindow(app.Id(), L"IA") != nullptr && IsWindowVisible(splash);
        Sleep(kPollMs);
    }
    CHECK(together);

    REQUIRE(app.WaitForMainWindow(kTimeoutMs));
    const ULONGLONG end = GetTickCount64() + kTimeoutMs;
    while (IsWindowVisible(splash) && GetTickCount64() < end) {
        Sleep(kPollMs);
    }
    CHECK_FALSE(IsWindowVisible(splash));
    app.PressAltF4();
    DWORD exitCode = 1;
    REQUIRE(app.WaitForExit(kTimeoutMs, exitCode));
    CHECK(exitCode == 0);
    CHECK(app.Boxes().Boxes().empty());
}

TEST_CASE("Closing the main window while the splash shows ends the process with exit code 0")
{
    TavlioProcess app(L"splash-close", ProgramFolder() + L"Tavlio.exe");
    REQUIRE(app.Started());
    const HWND main = app.WaitForMainWindow(kTimeoutMs);
    REQUIRE(main);
    const HWND splash = WaitForVisibleSplash(app);
    REQUIRE(splash);

    const bool splashShowing = IsWindowVisible(splash);
    app.PressAltF4();
    REQUIRE(splashShowing);
    DWORD exitCode = 1;
    REQUIRE(app.WaitForExit(kTimeoutMs, exitCode));
    CHECK(exitCode == 0);
    CHECK(app.Boxes().Boxes().empty());
}
