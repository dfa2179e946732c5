#include "SplashScreenTools.h"

#include "MessageBoxWatcher.h"
#include "Splash.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdio>
#include <iterator>
#include <sstream>

namespace {

constexpr DWORD kPollMs = 20;
constexpr int kDifferencesDescribed = 5;

std::vector<BeneathWindow::Click> clicks;

bool IsSplashWindow(HWND window)
{
    wchar_t name[32] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return std::wstring(name) == L"Splash";
}

BOOL CALLBACK FindSplashWindow(HWND window, LPARAM result)
{
    if (IsSplashWindow(window)) {
        *reinterpret_cast<HWND*>(result) = window;
        return FALSE;
    }
    return TRUE;
}

bool AnySplashVisible()
{
    bool visible = false;
    EnumWindows(
        [](HWND window, LPARAM found) -> BOOL {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == GetCurrentProcessId() && IsSplashWindow(window) && IsWindowVisible(window)) {
                *reinterpret_cast<bool*>(found) = true;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&visible));
    return visible;
}

// Visible windows of other processes: the tests share one display.
std::vector<RECT> ForeignWindowRects()
{
    std::vector<RECT> rects;
    EnumWindows(
        [](HWND window, LPARAM found) -> BOOL {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            RECT rect;
            if (process != GetCurrentProcessId() && IsWindowVisible(window) && GetWindowRect(window, &rect)) {
                reinterpret_cast<std::vector<RECT>*>(found)->push_back(rect);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&rects));
    return rects;
}

std::string Hex(std::uint32_t colour)
{
    char text[16];
    std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(colour));
    return text;
}

std::uint32_t Rgb(COLORREF colour)
{
    return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

} // namespace

SplashThread::SplashThread(void (*prepare)())
    : thread([this, prepare] {
          threadId = GetCurrentThreadId();
          if (prepare) {
              prepare();
          }
          RunSplash();
          HWND left = nullptr;
          EnumThreadWindows(GetCurrentThreadId(), FindSplashWindow, reinterpret_cast<LPARAM>(&left));
          leftWindow = left;
          leftVisible = left && IsWindowVisible(left);
          ended = true;
      })
{
}

SplashThread::~SplashThread()
{
    // Joining while the splash still sends this thread messages would hang.
    if (WaitForEnd(30000)) {
        thread.join();
    } else {
        std::fputs("the splash thread did not end; giving up on the test process\n", stderr);
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
    }
}

HWND SplashThread::WaitForWindow(DWORD timeoutMs) const
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < end) {
        HWND found = nullptr;
        if (const DWORD id = threadId) {
            EnumThreadWindows(id, FindSplashWindow, reinterpret_cast<LPARAM>(&found));
        }
        if (found && IsWindowVisible(found)) {
            return found;
        }
        PumpMessagesFor(kPollMs);
    }
    return nullptr;
}

bool SplashThread::WaitForEnd(DWORD timeoutMs)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!ended) {
        if (GetTickCount64() >= end) {
            return false;
        }
        PumpMessagesFor(kPollMs);
    }
    return true;
}

BeneathWindow::BeneathWindow()
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"SplashTestBeneath";
    RegisterClassExW(&windowClass);
    clicks.clear();
    window = CreateWindowExW(0, windowClass.lpszClassName, L"Beneath the splash", WS_POPUP, 0, 0,
                             GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                             instance, nullptr);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    // Wait until the display shows it, so the splash starts over a known screen.
    const ULONGLONG end = GetTickCount64() + 10000;
    do {
        PumpMessagesFor(kPollMs);
        const ScreenShot shot = ScreenShot::Take();
        if (shot.At(shot.width / 2, shot.height / 2) == kBeneathColour && shot.At(0, 0) == kBeneathColour) {
            break;
        }
    } while (GetTickCount64() < end);
}

BeneathWindow::~BeneathWindow()
{
    DestroyWindow(window);
    PumpMessagesFor(kPollMs);
}

std::vector<BeneathWindow::Click> BeneathWindow::Clicks() const
{
    return clicks;
}

LRESULT CALLBACK BeneathWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(window, &client);
        const HDC dc = reinterpret_cast<HDC>(wParam);
        SetDCBrushColor(dc, kBeneathColour);
        FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
        return 1;
    }
    case WM_LBUTTONDOWN:
        clicks.push_back({{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}, AnySplashVisible()});
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

ScreenShot ScreenShot::Take()
{
    ScreenShot shot;
    shot.width = GetSystemMetrics(SM_CXSCREEN);
    shot.height = GetSystemMetrics(SM_CYSCREEN);

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = shot.width;
    info.bmiHeader.biHeight = -shot.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;

    const HDC screen = GetDC(nullptr);
    void* bits = nullptr;
    const HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HDC memory = CreateCompatibleDC(screen);
    const HGDIOBJ previous = SelectObject(memory, section);
    BitBlt(memory, 0, 0, shot.width, shot.height, screen, 0, 0, SRCCOPY | CAPTUREBLT);
    GdiFlush();
    const auto* source = static_cast<const std::uint32_t*>(bits);
    shot.pixels.assign(source, source + static_cast<size_t>(shot.width) * shot.height);
    for (std::uint32_t& pixel : shot.pixels) {
        pixel &= 0xFFFFFF;
    }
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(section);
    ReleaseDC(nullptr, screen);
    return shot;
}

COLORREF ScreenShot::At(int x, int y) const
{
    const std::uint32_t pixel = pixels[static_cast<size_t>(y) * width + x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

int CountDifferences(const ScreenShot& shot, const ExpectedScreen& expected, std::string& described)
{
    const std::vector<RECT> foreign = ForeignWindowRects();
    std::ostringstream text;
    int differences = 0;
    int skipped = 0;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const POINT point = {x, y};
            bool covered = false;
            for (const RECT& rect : foreign) {
                covered = covered || PtInRect(&rect, point);
            }
            if (covered) {
                ++skipped;
                continue;
            }
            std::uint32_t wanted = Rgb(kBeneathColour);
            const int column = x - expected.origin.x;
            const int row = y - expected.origin.y;
            if (expected.picture && PtInRect(&expected.window, point) && column >= 0 && column < expected.width &&
                row >= 0 && row < expected.height) {
                const unsigned char* pixel = expected.picture + (static_cast<size_t>(row) * expected.width + column) * 4;
                const std::uint32_t colour = (pixel[2] << 16) | (pixel[1] << 8) | pixel[0];
                if (colour != 0) {
                    wanted = colour;
                }
            }
            const std::uint32_t seen = shot.pixels[static_cast<size_t>(y) * shot.width + x];
            if (seen != wanted) {
                if (differences < kDifferencesDescribed) {
                    text << " (" << x << ", " << y << "): " << Hex(seen) << " instead of " << Hex(wanted) << ";";
                }
                ++differences;
            }
        }
    }
    described = text.str();
    // A comparison that other windows have mostly hidden proves nothing.
    if (skipped * 2 > shot.width * shot.height) {
        described += " other processes' windows cover most of the screen;";
        return differences + 1;
    }
    return differences;
}

ScreenShot WaitForScreen(const ExpectedScreen& expected, HWND splash, DWORD timeoutMs, int& differences,
                         std::string& described)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        const bool showing = splash && IsWindowVisible(splash);
        ScreenShot shot = ScreenShot::Take();
        differences = CountDifferences(shot, expected, described);
        if (differences == 0 || GetTickCount64() >= end || (splash && !showing)) {
            return shot;
        }
        PumpMessagesFor(kPollMs);
    }
}

StandardErrorCapture::StandardErrorCapture()
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    path = std::wstring(folder) + L"tavlio-splash-stderr-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    std::fflush(stderr);
    savedDescriptor = _dup(2);
    const int file = _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
    _dup2(file, 2);
    _close(file);
}

StandardErrorCapture::~StandardErrorCapture()
{
    Finish();
}

std::string StandardErrorCapture::Finish()
{
    if (savedDescriptor < 0) {
        return {};
    }
    std::fflush(stderr);
    _dup2(savedDescriptor, 2);
    _close(savedDescriptor);
    savedDescriptor = -1;
    std::string text;
    if (FILE* file = _wfopen(path.c_str(), L"rb")) {
        char buffer[4096];
        size_t count;
        while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
            text.append(buffer, count);
        }
        std::fclose(file);
    }
    _wremove(path.c_str());
    return text;
}
