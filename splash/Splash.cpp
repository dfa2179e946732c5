#include "Splash.h"

#include "SplashImage.h"

#include <stb_image.h>

#include <cstdio>
#include <mutex>

namespace {

constexpr wchar_t kSplashClassName[] = L"Splash";
constexpr wchar_t kSplashTitle[] = L"Splash";
constexpr DWORD kSplashHoldMs = 1998;
// Pure black is the colour key: every black pixel of the window is see-through.
constexpr COLORREF kSeeThroughColour = RGB(0, 0, 0);
constexpr BYTE kUnusedAlpha = 0;        // ignored without LWA_ALPHA
// The window sits one pixel up and left of the screen's corner, keeping the screen's size.
constexpr int kWindowOrigin = -1;

// Made on the first paint from that paint's picture and kept for the life of
// the process; later paints reuse it.
HBITMAP splashBitmap = nullptr;
std::once_flag splashBitmapMade;

// The splash's only diagnostics; a windowed program shows them only where
// standard error has been redirected.
void ReportSetupFailure(const char* line)
{
    std::fputs(line, stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

// The whole display happens here: draw the picture centred on the screen,
// hold it, hide the window.
void OnPaint(HWND window)
{
    PAINTSTRUCT paint;
    const HDC paintDc = BeginPaint(window, &paint);

    const SplashImage image = LoadSplashImage(GetModuleHandleW(nullptr));
    std::call_once(splashBitmapMade, [&] { splashBitmap = CreateSplashBitmap(paintDc, image); });
    // The bitmap holds its own copy of the pixels; only the size is needed from here on.
    stbi_image_free(image.pixels);

    const HDC memoryDc = CreateCompatibleDC(paintDc);
    const HGDIOBJ previous = SelectObject(memoryDc, splashBitmap);
    // Centred against the screen, not the client area, which starts one pixel off.
    const int x = (GetSystemMetrics(SM_CXSCREEN) - image.width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - image.height) / 2;
    BitBlt(paintDc, x, y, image.width, image.height, memoryDc, 0, 0, SRCCOPY);
    SelectObject(memoryDc, previous);
    DeleteDC(memoryDc);
    EndPaint(window, &paint);

    Sleep(kSplashHoldMs);
    ShowWindow(window, SW_HIDE);
}

} // namespace

void RunSplash()
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);

    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = SplashWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kSplashClassName;   // no background brush: nothing is ever erased
    if (!RegisterClassExW(&windowClass)) {
        ReportSetupFailure("Failed to register window class!");
        return;
    }

    const HWND window = CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST, kSplashClassName,
                                        kSplashTitle, WS_POPUP, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                                        GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, instance, nullptr);
    if (!window) {
        ReportSetupFailure("Failed to create window!");
        return;
    }

    SetLayeredWindowAttributes(window, kSeeThroughColour, kUnusedAlpha, LWA_COLORKEY);
    SetWindowPos(window, HWND_TOPMOST, kWindowOrigin, kWindowOrigin, GetSystemMetrics(SM_CXSCREEN),
                 GetSystemMetrics(SM_CYSCREEN), SWP_SHOWWINDOW);
    ShowWindow(window, SW_SHOW);
    // Delivers the one paint, which returns only after the hold and the hide.
    // The thread runs no message loop; the window is never destroyed.
    UpdateWindow(window);
}

LRESULT CALLBACK SplashWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_DESTROY:
        // Concerns only the splash thread's own queue.
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
