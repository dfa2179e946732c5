// A tab's browser pane and the operations that make and clear one.
#pragma once

#include "ComRef.h"
#include "WebView2Api.h"

#include <windows.h>

struct BrowserPane {
    ComRef<ICoreWebView2Controller> controller;
    ComRef<ICoreWebView2> webview;
};

// Creates the pane of one tab: asks the engine for an environment and a
// controller hosted in parentWindow, keeps them in the two slots, places the
// pane at bounds, applies the page policy and starts the navigation to url.
// Returns once the navigation has been requested or the creation has ended
// without one (after its message box, or when the engine never answers).
// url and the slots must stay valid for the life of the process.
void InitWebView2(HWND parentWindow, RECT bounds, const wchar_t* url,
                  ComRef<ICoreWebView2Controller>& controller, ComRef<ICoreWebView2>& webview);

// Asks the engine behind webview to clear its browser cache; not awaited.
void ClearCacheAndCookiesForWebView(ComRef<ICoreWebView2> webview);
