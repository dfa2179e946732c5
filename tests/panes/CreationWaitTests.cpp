// The wait of a pane creation on its own, with a short limit and messages
// posted by the test in place of the engine's completions.
#include "CreationWait.h"

#include <doctest.h>

#include <windows.h>

#include <atomic>
#include <vector>

namespace {

constexpr UINT kCompleteMessage = WM_APP + 1;  // wParam: 1 completes the creation
std::atomic<bool> done{false};
std::vector<WPARAM> dispatched;

LRESULT CALLBACK EngineStandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kCompleteMessage) {
        dispatched.push_back(wParam);
        if (wParam == 1) {
            done = true;
        }
        return 0;
    }
    if (message == WM_TIMER) {
        KillTimer(window, wParam);
        done = true;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A message-only window standing in for the engine's completion window.
HWND MakeEngineWindow()
{
    static const ATOM registered = [] {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = EngineStandInProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"CreationWaitTestEngine";
        return RegisterClassW(&windowClass);
    }();
    REQUIRE(registered != 0);
    done = false;
    dispatched.clear();
    return CreateWindowExW(0, L"CreationWaitTestEngine", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

int PostedLeft(HWND window)
{
    int left = 0;
    MSG message;
    while (PeekMessageW(&message, window, kCompleteMessage, kCompleteMessage, PM_REMOVE)) {
        ++left;
    }
    return left;
}

} // namespace

TEST_CASE("the wait dispatches waiting messages and stops at the one that completes the creation")
{
    HWND engine = MakeEngineWindow();
    for (const WPARAM value : {0, 0, 1, 0, 0}) {
        PostMessageW(engine, kCompleteMessage, value, 0);
    }
    CHECK(WaitForCreation(done, 5000));
    CHECK(dispatched == std::vector<WPARAM>{0, 0, 1});
    // What came after the completion is left for the main loop.
    CHECK(PostedLeft(engine) == 2);
    DestroyWindow(engine);
}

TEST_CASE("the wait wakes for a completion that arrives later")
{
    HWND engine = MakeEngineWindow();
    SetTimer(engine, 1, 150, nullptr);
    CHECK(WaitForCreation(done, 10000));
    DestroyWindow(engine);
}

TEST_CASE("a creation that is already over dispatches nothing")
{
    HWND engine = MakeEngineWindow();
    done = true;
    PostMessageW(engine, kCompleteMessage, 0, 0);
    CHECK(WaitForCreation(done, 5000));
    CHECK(dispatched.empty());
    CHECK(PostedLeft(engine) == 1);
    DestroyWindow(engine);
}

TEST_CASE("the wait gives up when no completion ever comes")
{
    HWND engine = MakeEngineWindow();
    PostMessageW(engine, kCompleteMessage, 0, 0);
    CHECK_FALSE(WaitForCreation(done, 300));
    CHECK(dispatched == std::vector<WPARAM>{0});
    DestroyWindow(engine);
}

TEST_CASE("a quit message taken during the wait is posted again when it ends")
{
    HWND engine = MakeEngineWindow();
    // The quit comes before the completion: the timer's message is the last
    // a queue hands out.
    PostQuitMessage(7);
    SetTimer(engine, 1, 100, nullptr);
    CHECK(WaitForCreation(done, 10000));

    MSG message;
    REQUIRE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    CHECK(message.wParam == 7);
    DestroyWindow(engine);
}
