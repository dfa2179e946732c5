#include "BrowserPane.h"

#include "Callback.h"

void ClearCacheAndCookiesForWebView(ComRef<ICoreWebView2> webview)
{
    if (!webview) {
        return;
    }
    // Teardown goes on at once, so the answer is of no interest; a handler is
    // still given so the engine has somewhere to deliver it.
    auto ignoreAnswer = MakeHandler<ICoreWebView2CallDevToolsProtocolMethodCompletedHandler>(
        [](HRESULT, LPCWSTR) -> HRESULT { return S_OK; });
    webview->CallDevToolsProtocolMethod(L"Network.clearBrowserCache", L"{}", ignoreAnswer.get());
}
