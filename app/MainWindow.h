// The main window: tab strip, About/Home/Back buttons, the sixteen browser
// panes and the dark colour scheme.
#pragma once

#include <windows.h>

inline constexpr wchar_t kMainWindowClass[] = L"IA";
inline constexpr wchar_t kMainWindowTitle[] = L"IA";

// Control identifiers.
inline constexpr int kTabStripId = 0;
inline constexpr int kAboutButtonId = 3;
inline constexpr int kHomeButtonId = 4;
inline constexpr int kBackButtonId = 5;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the class "IA"; the result is of no interest to start-up.
void RegisterMainWindowClass(HINSTANCE instance);

// Creates the (hidden) main window; its creation builds every control and
// every pane before this returns. Null when the window cannot be made.
HWND CreateMainWindow(HINSTANCE instance);
