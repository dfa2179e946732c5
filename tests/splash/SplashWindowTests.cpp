// The splash window in this process, showing the program's own picture on the
// test session's 1024 x 768 display. Each case runs in a process of its own:
// the "Splash" class and the splash bitmap last as long as the process.
#include "MessageBoxWatcher.h"
#include "Splash.h"
#include "SplashImage.h"
#include "SplashScreenTools.h"

#include <doctest.h>
#include <stb_image.h>

namespace {

constexpr DWORD kShowTimeoutMs = 10000;
constexpr DWORD kEndTimeoutMs = 20000;
constexpr int kPictureSize = 666;

// The picture is centred against the screen, ((1024 - 666) / 2, (768 - 666) / 2)
// = (179, 51) in the window, and the window starts at (-1, -1).
constexpr POINT kPictureOnScreen = {178, 50};
// The window covers columns -1 to 1022 and rows -1 to 766.
constexpr RECT kSplashRect = {-1, -1, kTestScreenWidth - 1, kTestScreenHeight - 1};

// The program's own picture, decoded the way the splash decodes it.
struct OwnPicture {
    SplashImage image = LoadSplashImage(GetModuleHandleW(nullptr));
    ~OwnPicture() { stbi_image_free(image.pixels); }
};

void RequireTestScreen()
{
    REQUIRE_MESSAGE(GetSystemMetrics(SM_CXSCREEN) == kTestScreenWidth, "the test session's display is 1024 x 768");
    REQUIRE(GetSystemMetrics(SM_CYSCREEN) == kTestScreenHeight);
}

void Click(POINT at)
{
    SetCursorPos(at.x, at.y);
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].type = INPUT_MOUSE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
}

LRESULT CALLBACK RefuseSplashWindows(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        wchar_t name[32] = {};
        GetClassNameW(reinterpret_cast<HWND>(wParam), name, static_cast<int>(std::size(name)));
        if (std::wstring(name) == L"Splash") {
            return 1;   // fails the creation
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void RefuseSplashWindowsOnThisThread()
{
    SetWindowsHookExW(WH_CBT, RefuseSplashWindows, nullptr, GetCurrentThreadId());
}

} // namespace

TEST_CASE("The splash window has its class and styles and place and colour key")
{
    RequireTestScreen();
    SplashThread splash;
    const HWND window = splash.WaitForWindow(kShowTimeoutMs);
    REQUIRE(window);

    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    REQUIRE(GetClassInfoExW(GetModuleHandleW(nullptr), L"Splash", &windowClass));
    CHECK(windowClass.style == (CS_HREDRAW | CS_VREDRAW));
    CHECK(reinterpret_cast<void*>(windowClass.lpfnWndProc) == reinterpret_cast<void*>(SplashWindowProc));
    CHECK(windowClass.cbClsExtra == 0);
    CHECK(windowClass.cbWndExtra == 0);
    CHECK(windowClass.hInstance == GetModuleHandleW(nullptr));
    CHECK(windowClass.hIcon == nullptr);
    CHECK(windowClass.hIconSm == nullptr);
    CHECK(windowClass.hCursor == LoadCursorW(nullptr, IDC_ARROW));
    CHECK(windowClass.hbrBackground == nullptr);
    CHECK(windowClass.lpszMenuName == nullptr);

    // Read without a message: the splash thread answers none while it holds.
    wchar_t title[32] = {};
    InternalGetWindowText(window, title, static_cast<int>(std::size(title)));
    CHECK(std::wstring(title) == L"Splash");
    CHECK(GetWindowLongW(window, GWL_EXSTYLE) == (WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST));
    // The system adds WS_CLIPSIBLINGS to every top-level window.
    CHECK((GetWindowLongW(window, GWL_STYLE) & ~WS_CLIPSIBLINGS) == static_cast<LONG>(WS_POPUP | WS_VISIBLE));
    CHECK(GetParent(window) == nullptr);
    CHECK(GetWindow(window, GW_OWNER) == nullptr);
    CHECK(GetMenu(window) == nullptr);
    CHECK(GetWindowThreadProcessId(window, nullptr) == splash.Id());

    RECT rect = {};
    GetWindowRect(window, &rect);
    CHECK(rect.left == -1);
    CHECK(rect.top == -1);
    CHECK(rect.right - rect.left == kTestScreenWidth);
    CHECK(rect.bottom - rect.top == kTestScreenHeight);

    COLORREF key = RGB(1, 2, 3);
    BYTE alpha = 1;
    DWORD flags = 0;
    REQUIRE(GetLayeredWindowAttributes(window, &key, &alpha, &flags));
    CHECK(key == RGB(0, 0, 0));
    CHECK(flags == LWA_COLORKEY);

    REQUIRE(splash.WaitForEnd(kEndTimeoutMs));
    CHECK(splash.LeftHidden());
}

TEST_CASE("The splash shows the picture centred over what lies beneath and is gone after the hold")
{
    RequireTestScreen();
    const OwnPicture own;
    REQUIRE(own.image.width == kPictureSize);
    REQUIRE(own.image.height == kPictureSize);
    const BeneathWindow beneath;
    StandardErrorCapture errors;
    MessageBoxWatcher boxes;

    SplashThread splash;
    const HWND window = splash.WaitForWindow(kShowTimeoutMs);
    REQUIRE(window);
    int differences = -1;
    std::string described;
    WaitForScreen({own.image.pixels, kPictureSize, kPictureSize, kPictureOnScreen, kSplashRect}, window,
                  kShowTimeoutMs, differences, described);
    CHECK_MESSAGE(differences == 0, "while the splash shows:" << described);
    // The topmost band: the splash stays above the ordinary window beneath.
    CHECK((GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);

    REQUIRE(splash.WaitForEnd(kEndTimeoutMs));
    CHECK(splash.LeftHidden());
    WaitForScreen({}, nullptr, kShowTimeoutMs, differences, described);
    CHECK_MESSAGE(differences == 0, "after the hold:" << described);
    CHECK(errors.Finish().empty());
    CHECK(boxes.Boxes().empty());
}

TEST_CASE("A click on the splash picture reaches the window beneath")
{
    RequireTestScreen();
    const OwnPicture own;
    REQUIRE(own.image.width == kPictureSize);
    const BeneathWindow beneath;
    SplashThread splash;
    const HWND window = splash.WaitForWindow(kShowTimeoutMs);
    REQUIRE(window);

    // The middle of the logo: an opaque pixel of the picture.
    const int middle = kPictureSize / 2;
    const unsigned char* pixel = own.image.pixels + (static_cast<size_t>(middle) * kPictureSize + middle) * 4;
    const COLORREF logo = RGB(pixel[2], pixel[1], pixel[0]);
    REQUIRE(logo != RGB(0, 0, 0));
    const POINT target = {kPictureOnScreen.x + middle, kPictureOnScreen.y + middle};
    const ULONGLONG end = GetTickCount64() + kShowTimeoutMs;
    while (ScreenShot::Take().At(target.x, target.y) != logo && IsWindowVisible(window) && GetTickCount64() < end) {
        PumpMessagesFor(20);
    }
    REQUIRE(IsWindowVisible(window));

    Click(target);
    const ULONGLONG clickEnd = GetTickCount64() + kShowTimeoutMs;
    while (beneath.Clicks().empty() && GetTickCount64() < clickEnd) {
        PumpMessagesFor(20);
    }
    const std::vector<BeneathWindow::Click> clicks = beneath.Clicks();
    REQUIRE(clicks.size() == 1);
    CHECK(clicks[0].at.x == target.x);
    CHECK(clicks[0].at.y == target.y);
    CHECK(clicks[0].splashVisible);
    REQUIRE(splash.WaitForEnd(kEndTimeoutMs));
}

TEST_CASE("A class that cannot be registered ends the splash with one line on standard error")
{
    // The class name is taken in this module already.
    WNDCLASSEXW taken = {};
    taken.cbSize = sizeof taken;
    taken.lpfnWndProc = DefWindowProcW;
    taken.hInstance = GetModuleHandleW(nullptr);
    taken.lpszClassName = L"Splash";
    REQUIRE(RegisterClassExW(&taken));

    StandardErrorCapture errors;
    {
        SplashThread splash;
        REQUIRE(splash.WaitForEnd(kEndTimeoutMs));
    }
    CHECK(errors.Finish() == "Failed to register window class!\n");
}

TEST_CASE("A window that cannot be made ends the splash with one line on standard error")
{
    StandardErrorCapture errors;
    MessageBoxWatcher boxes;
    {
        SplashThread splash(RefuseSplashWindowsOnThisThread);
        REQUIRE(splash.WaitForEnd(kEndTimeoutMs));
    }
    CHECK(errors.Finish() == "Failed to create window!\n");
    CHECK(boxes.Boxes().empty());
}
