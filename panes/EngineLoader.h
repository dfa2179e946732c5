// Finds the engine: WebView2Loader.dll from the executable's own folder,
// loaded at run time so that Tavlio starts (with empty panes) without it.
#pragma once

#include "WebView2Api.h"

using CreateEnvironmentFunction = decltype(&CreateCoreWebView2EnvironmentWithOptions);

// The loader's CreateCoreWebView2EnvironmentWithOptions, or null when the DLL
// or its export is missing. The DLL stays loaded for the life of the process.
CreateEnvironmentFunction LoadCreateEnvironment();
