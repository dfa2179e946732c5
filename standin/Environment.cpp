#include "Environment.h"

#include "Completions.h"
#include "Controller.h"
#include "Trace.h"

#include <objbase.h>

#include <atomic>
#include <new>
#include <utility>

namespace standin {

namespace {

std::atomic<int> paneCount{0};

// The real engine only works in a single-threaded apartment and fails at once
// elsewhere. A thread that never joined COM counts as uninitialised even while
// another thread's MTA makes it an implicit MTA member.
HRESULT CheckApartment()
{
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    const HRESULT hr = CoGetApartmentType(&type, &qualifier);
    if (FAILED(hr)) {
        return CO_E_NOTINITIALIZED;
    }
    if (type == APTTYPE_MTA && qualifier == APTTYPEQUALIFIER_IMPLICIT_MTA) {
        return CO_E_NOTINITIALIZED;
    }
    if (type == APTTYPE_STA || type == APTTYPE_MAINSTA) {
        return S_OK;
    }
    return RPC_E_CHANGED_MODE;
}

class EnvironmentCompletion final : public Completion {
public:
    EnvironmentCompletion(int pane, std::shared_ptr<const Config> config,
                          ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler, HRESULT error)
        : pane(pane), config(std::move(config)), handler(handler), error(error)
    {
    }

    void Deliver() override
    {
        // The environment is made at delivery, so a pending request holds no object.
        HRESULT result = error;
        ComRef<ICoreWebView2Environment> environment;
        if (SUCCEEDED(result)) {
            environment.attach(new (std::nothrow) Environment(pane, config));
            if (!environment) {
                result = E_OUTOFMEMORY;
            }
        }
        InvokeHandler(pane, "EnvironmentCompleted", handler.get(), result, environment.get());
    }

    void Abort(HRESULT abortError) override
    {
        InvokeHandler(pane, "EnvironmentCompleted", handler.get(), abortError, static_cast<ICoreWebView2Environment*>(nullptr));
    }

private:
    int pane;
    std::shared_ptr<const Config> config;
    ComRef<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> handler;
    HRESULT error;
};

HRESULT StartEnvironment(int pane, const std::shared_ptr<const Config>& config,
                         ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler)
{
    if (!handler) {
        return E_POINTER;
    }
    if (const HRESULT apartment = CheckApartment(); FAILED(apartment)) {
        return apartment;
    }
    if (config->Fails(Failure::EnvReturnFail, pane)) {
        return E_FAIL;
    }
    if (config->Fails(Failure::EnvReturnNoRuntime, pane)) {
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    }
    HRESULT outcome = S_OK;
    if (config->Fails(Failure::EnvHandlerFail, pane)) {
        outcome = E_FAIL;
    } else if (config->Fails(Failure::EnvHandlerNoRuntime, pane)) {
        outcome = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    }
    auto completion = std::make_unique<EnvironmentCompletion>(pane, config, handler, outcome);
    if (config->Fails(Failure::EnvSilent, pane)) {
        Withhold(std::move(completion));
    } else {
        Schedule(std::move(completion), config->Fails(Failure::EnvLate, pane) ? config->LateMs() : config->DelayMs());
    }
    return S_OK;
}

} // namespace

int NextPaneOrdinal()
{
    return paneCount.load();
}

HRESULT RequestEnvironment(bool withOptions, PCWSTR browserFolder, PCWSTR userDataFolder,
                           ICoreWebView2EnvironmentOptions* options,
                           ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler)
{
    const int pane = paneCount++;
    const std::shared_ptr<const Config> config = Config::Read();
    for (const std::wstring& rejected : config->Rejected()) {
        TraceRecord(pane, "Config.Rejected").String(rejected.c_str()).Write();
    }
    const HRESULT hr = StartEnvironment(pane, config, handler);
    if (withOptions) {
        TraceRecord(pane, "Loader.CreateCoreWebView2EnvironmentWithOptions")
            .String(browserFolder)
            .String(userDataFolder)
            .Object(options)
            .Handler(handler)
            .Result(hr)
            .Write();
    } else {
        TraceRecord(pane, "Loader.CreateCoreWebView2Environment").Handler(handler).Result(hr).Write();
    }
    return hr;
}

Environment::Environment(int pane, std::shared_ptr<const Config> config) : pane(pane), config(std::move(config)) {}

HRESULT STDMETHODCALLTYPE Environment::CreateCoreWebView2Controller(
    HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler)
{
    const HRESULT hr = RequestController(pane, config, parentWindow, handler);
    TraceRecord(pane, "Environment.CreateCoreWebView2Controller").Window(parentWindow).Handler(handler).Result(hr).Write();
    return hr;
}

HRESULT STDMETHODCALLTYPE Environment::CreateWebResourceResponse(IStream*, int, LPCWSTR, LPCWSTR,
                                                                 ICoreWebView2WebResourceResponse** response)
{
    if (response) {
        *response = nullptr;
    }
    return Unexpected(pane, "Environment.CreateWebResourceResponse", E_NOTIMPL);
}

HRESULT STDMETHODCALLTYPE Environment::get_BrowserVersionString(LPWSTR* versionInfo)
{
    return Unexpected(pane, "Environment.get_BrowserVersionString", CopyToTaskMemory(kRuntimeVersion, versionInfo));
}

HRESULT STDMETHODCALLTYPE Environment::add_NewBrowserVersionAvailable(ICoreWebView2NewBrowserVersionAvailableEventHandler*,
                                                                      EventRegistrationToken* token)
{
    if (token) {
        token->value = 0;
    }
    return Unexpected(pane, "Environment.add_NewBrowserVersionAvailable", E_NOTIMPL);
}

HRESULT STDMETHODCALLTYPE Environment::remove_NewBrowserVersionAvailable(EventRegistrationToken)
{
    return Unexpected(pane, "Environment.remove_NewBrowserVersionAvailable", E_NOTIMPL);
}

} // namespace standin
