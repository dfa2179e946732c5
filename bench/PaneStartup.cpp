// How long the sixteen panes take to start, against the engine's own floor.
//
// Creates Tavlio's real main window with the engine stand-in answering each
// request after a fixed delay, and reads from the stand-in's trace the time
// from the first environment request to the sixteenth navigation. Every pane
// needs two answers (environment, controller), so no start-up can beat
// 16 x 2 x delay: the ratio to that floor shows what the program adds.
#include "MainWindow.h"
#include "TraceReader.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kPaneCount = 16;
constexpr int kRuns = 5;

double StartupMs(const std::wstring& tracePath, size_t& seen)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    HWND window = CreateMainWindow(instance);
    std::vector<TraceLine> lines = ReadTrace(tracePath);
    lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(std::min(seen, lines.size())));
    seen += lines.size();
    DestroyWindow(window);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message != WM_QUIT) {
            DispatchMessageW(&message);
        }
    }
    seen = ReadTrace(tracePath).size();

    const auto requests = LinesNamed(lines, "Loader.CreateCoreWebView2EnvironmentWithOptions");
    const auto navigations = LinesNamed(lines, "WebView.Navigate");
    if (requests.empty() || navigations.size() < kPaneCount) {
        return -1;
    }
    return navigations[kPaneCount - 1].ms - requests.front().ms;
}

} // namespace

int main()
{
    const std::wstring tracePath = FreshTracePath(L"bench");
    SetEnvironmentVariableW(L"TAVLIO_STANDIN_TRACE", tracePath.c_str());
    RegisterMainWindowClass(GetModuleHandleW(nullptr));

    std::printf("%-10s %14s %12s %8s\n", "delay ms", "start-up ms", "floor ms", "ratio");
    size_t seen = 0;
    for (const int delay : {0, 20}) {
        SetEnvironmentVariableW(L"TAVLIO_STANDIN_DELAY_MS", std::to_wstring(delay).c_str());
        std::vector<double> runs;
        for (int run = 0; run < kRuns; ++run) {
            runs.push_back(StartupMs(tracePath, seen));
        }
        std::sort(runs.begin(), runs.end());
        const double median = runs[kRuns / 2];
        const double floor = kPaneCount * 2.0 * delay;
        if (floor > 0) {
            std::printf("%-10d %14.1f %12.1f %8.3f\n", delay, median, floor, median / floor);
        } else {
            std::printf("%-10d %14.1f %12.1f %8s\n", delay, median, floor, "-");
        }
    }
    std::printf("(median of %d start-ups each; times from the engine stand-in's trace)\n", kRuns);
    DeleteFileW(tracePath.c_str());
    return 0;
}
