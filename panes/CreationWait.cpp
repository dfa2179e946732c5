#include "CreationWait.h"

#include <algorithm>
#include <chrono>

namespace {

constexpr DWORD kLongestSleepMs = 100;

} // namespace

bool WaitForCreation(const std::atomic<bool>& done, DWORD limitMs)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const auto elapsedMs = [start] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    };

    bool quitTaken = false;
    WPARAM quitCode = 0;
    while (!done && elapsedMs() < limitMs) {
        MSG message;
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quitTaken = true;
                quitCode = message.wParam;
            } else {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            continue;
        }
        const auto remaining = static_cast<DWORD>(std::max<long long>(0, limitMs - elapsedMs()));
        MsgWaitForMultipleObjectsEx(0, nullptr, std::min(kLongestSleepMs, remaining), QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
    }
    if (quitTaken) {
        PostQuitMessage(static_cast<int>(quitCode));
    }
    return done;
}
