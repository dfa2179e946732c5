// The one place that decides where the WebView2 declarations come from:
// Microsoft's SDK header where the build finds it, our own otherwise.
#pragma once

#if __has_include(<WebView2.h>)
#include <WebView2.h>
#else
#include "WebView2Declarations.h"
#endif
