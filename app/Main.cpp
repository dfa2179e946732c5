// Tavlio's entry point: starts the splash, creates the main window with its
// sixteen panes, shows it and runs the message loop until the window closes.
#include "MainWindow.h"

#include "Splash.h"

#include <thread>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    // The splash runs on its own; nothing here ever waits for it.
    std::thread(RunSplash).detach();

    RegisterMainWindowClass(instance);
    HWND window = CreateMainWindow(instance);
    if (!window) {
        return 0;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
