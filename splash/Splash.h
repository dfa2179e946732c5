// The splash screen: a see-through, top-most, click-through window that shows
// the splash picture centred on the primary screen while the program starts.
#pragma once

#include <windows.h>

// The body of the splash thread: registers the "Splash" class, shows the
// window, and returns once the picture has been shown, held and hidden.
// Start it on a thread of its own and detach that thread.
void RunSplash();

LRESULT CALLBACK SplashWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
