// What the splash window tests share: the splash thread run in-process, a
// window of one known colour beneath it, screen reads and a capture of
// standard error.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

// The test session's virtual display.
constexpr int kTestScreenWidth = 1024;
constexpr int kTestScreenHeight = 768;

// A colour that neither picture uses, so whatever shows it lies beneath the splash.
constexpr COLORREF kBeneathColour = RGB(40, 170, 90);

// RunSplash on a thread of its own, like the program starts it.
class SplashThread {
public:
    // `prepare` runs on the splash thread just before RunSplash.
    explicit SplashThread(void (*prepare)() = nullptr);
    ~SplashThread();
    SplashThread(const SplashThread&) = delete;
    SplashThread& operator=(const SplashThread&) = delete;

    // The splash window, once RunSplash has shown it; null after the time-out.
    HWND WaitForWindow(DWORD timeoutMs) const;
    // Pumps this thread's messages until RunSplash has returned (the splash
    // thread sends this thread's windows activation messages). False on time-out.
    bool WaitForEnd(DWORD timeoutMs);
    DWORD Id() const { return threadId; }
    // Whether the splash window still existed, hidden, when RunSplash returned
    // (the thread's end destroys it a moment later, hidden or not).
    bool LeftHidden() const { return leftWindow && !leftVisible; }

private:
    std::atomic<DWORD> threadId{0};
    std::atomic<HWND> leftWindow{nullptr};
    std::atomic<bool> leftVisible{false};
    std::atomic<bool> ended{false};
    std::thread thread;
};

// A full-screen ordinary window in one colour, shown before the splash, so the
// splash's see-through parts show it. Records the left clicks it receives.
class BeneathWindow {
public:
    BeneathWindow();
    ~BeneathWindow();
    BeneathWindow(const BeneathWindow&) = delete;
    BeneathWindow& operator=(const BeneathWindow&) = delete;

    struct Click {
        POINT at;                    // client coordinates
        bool splashVisible;          // whether a splash window was visible when it arrived
    };
    std::vector<Click> Clicks() const;
    HWND Handle() const { return window; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window = nullptr;
    HBRUSH brush = nullptr;
};

// The primary screen as it is, read through the screen device context.
struct ScreenShot {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;   // 0x00RRGGBB, top row first

    static ScreenShot Take();
    COLORREF At(int x, int y) const;
};

// What the screen should show: the picture's pixels (blue, green, red, alpha,
// top row first) with its top-left corner at screen `origin`, where they lie
// inside the splash window's rectangle, except pure black; kBeneathColour
// everywhere else. A null picture expects kBeneathColour everywhere.
struct ExpectedScreen {
    const unsigned char* picture = nullptr;
    int width = 0;
    int height = 0;
    POINT origin = {};
    RECT window = {};
};

// How many pixels differ from the expectation, skipping the rectangles of
// other processes' windows (the tests share the display); describes the first
// few. Never 0 when those windows cover most of the screen.
int CountDifferences(const ScreenShot& shot, const ExpectedScreen& expected, std::string& described);

// Takes screenshots until one matches, while `splash` is visible (or, with no
// splash, until the time-out); returns the last one and its differences.
ScreenShot WaitForScreen(const ExpectedScreen& expected, HWND splash, DWORD timeoutMs, int& differences,
                         std::string& described);

// Redirects the C runtime's standard error into a temporary file for the life
// of the object.
class StandardErrorCapture {
public:
    StandardErrorCapture();
    ~StandardErrorCapture();
    StandardErrorCapture(const StandardErrorCapture&) = delete;
    StandardErrorCapture& operator=(const StandardErrorCapture&) = delete;

    // Ends the redirection and returns what was written.
    std::string Finish();

private:
    std::wstring path;
    int savedDescriptor = -1;
};
