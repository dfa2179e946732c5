// ICoreWebView2Environment, and the environment request behind the loader's
// two create exports.
#pragma once

#include "ComObject.h"
#include "Config.h"

#include <memory>

namespace standin {

// The runtime version the stand-in reports.
constexpr wchar_t kRuntimeVersion[] = L"130.0.2849.56";

class Environment final : public ComObject<Environment, ICoreWebView2Environment, ObjectKind::Environment> {
public:
    Environment(int pane, std::shared_ptr<const Config> config);

    HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE CreateWebResourceResponse(IStream* content, int statusCode, LPCWSTR reasonPhrase,
                                                        LPCWSTR headers, ICoreWebView2WebResourceResponse** response) override;
    HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR* versionInfo) override;
    HRESULT STDMETHODCALLTYPE add_NewBrowserVersionAvailable(ICoreWebView2NewBrowserVersionAvailableEventHandler* eventHandler,
                                                             EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_NewBrowserVersionAvailable(EventRegistrationToken token) override;

private:
    const int pane;
    const std::shared_ptr<const Config> config;
};

// The request made by CreateCoreWebView2EnvironmentWithOptions (and, with no
// folders and no options, by CreateCoreWebView2Environment, whose trace line
// carries its own name and only the handler). Each call is a new pane.
HRESULT RequestEnvironment(bool withOptions, PCWSTR browserFolder, PCWSTR userDataFolder,
                           ICoreWebView2EnvironmentOptions* options,
                           ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);

// The ordinal the next environment request will get.
int NextPaneOrdinal();

} // namespace standin
