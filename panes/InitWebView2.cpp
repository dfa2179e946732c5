#include "BrowserPane.h"

#include "Callback.h"
#include "CreationWait.h"
#include "EngineLoader.h"
#include "PagePolicy.h"

#include <atomic>
#include <memory>

namespace {

constexpr wchar_t kErrorCaption[] = L"Error";
constexpr wchar_t kEnvironmentFailed[] = L"Failed to create WebView2 environment.";
constexpr wchar_t kControllerFailed[] = L"Failed to create WebView2 controller.";

// What the engine reports when no runtime is installed.
constexpr HRESULT kNoRuntime = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);

// An engine that accepts a request and never answers must not keep the main
// window from ever appearing: the creation is given up after this long.
constexpr DWORD kCreationGiveUpMs = 30000;

// Browser switches kept for reference and deliberately not handed to the
// engine: they would switch off site isolation and background throttling.
[[maybe_unused]] constexpr const wchar_t* kBrowserSwitches[] = {
    L"--enable-gpu-rasterization",
    L"--enable-threaded-compositing",
    L"--enable-accelerated-2d-canvas",
    L"--enable-quic",
    L"--enable-fast-unload",
    L"--enable-webgl",
    L"--enable-webgl-draft-extensions",
    L"--enable-accelerated-ssl",
    L"--force-device-scale-factor=1",
    L"--enable-features=DarkMode",
    L"--enable-background-video-track",
    L"--disable-background-timer-throttling",
    L"--disable-features=IsolateOrigins,SitePerProcess",
};

// Once the engine is known to be absent, no later pane asks for it again.
bool engineMissing = false;

// What one creation shares with its handlers. It outlives the wait, so a
// handler the engine calls after the creation has ended finds creationDone
// set and leaves everything alone.
struct CreationState {
    std::atomic<bool> creationDone{false};
    bool environmentAnswered = false;
};

using EnvironmentCompletedHandler = ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler;
using ControllerCompletedHandler = ICoreWebView2CreateCoreWebView2ControllerCompletedHandler;

void ShowError(HWND parentWindow, const wchar_t* text)
{
    MessageBoxW(parentWindow, text, kErrorCaption, MB_ICONERROR);
}

// Ends a creation that the engine could not start: says so once, and
// remembers a missing runtime so the remaining panes don't ask again.
void EnvironmentFailed(HWND parentWindow, HRESULT result, CreationState& state)
{
    state.creationDone = true;
    if (result == kNoRuntime) {
        engineMissing = true;
    }
    ShowError(parentWindow, kEnvironmentFailed);
}

ComRef<ControllerCompletedHandler> MakeControllerHandler(HWND parentWindow, RECT bounds, const wchar_t* url,
                                                         ComRef<ICoreWebView2Controller>& controller,
                                                         ComRef<ICoreWebView2>& webview,
                                                         std::shared_ptr<CreationState> state)
{
    return MakeHandler<ControllerCompletedHandler>(
        [parentWindow, bounds, url, &controller, &webview, state](HRESULT result,
                                                                 ICoreWebView2Controller* newController) -> HRESULT {
            if (state->creationDone) {
                return S_OK;
            }
            if (FAILED(result)) {
                state->creationDone = true;
                ShowError(parentWindow, kControllerFailed);
                return E_FAIL;
            }
            if (!newController) {
                state->creationDone = true;
                return S_OK;
            }
            controller = newController;
            webview.reset();
            controller->get_CoreWebView2(webview.put());
            controller->put_Bounds(bounds);
            if (!webview) {
                // A pane without a webview keeps its controller; Home, Back and
                // the teardown skip it.
                state->creationDone = true;
                return S_OK;
            }

            ComRef<ICoreWebView2Settings> settings;
            webview->get_Settings(settings.put());
            if (settings) {
                settings->put_IsWebMessageEnabled(TRUE);
            }
            // Registered before the first navigation, so that every document
            // the pane loads carries it; nobody waits for the answer.
            webview->AddScriptToExecuteOnDocumentCreated(kContextMenuDownloadScript, nullptr);

            if (!IsAllowedStartAddress(url)) {
                state->creationDone = true;
                ShowError(parentWindow, kHttpsOnlyMessage);
                return E_FAIL;
            }
            webview->Navigate(url);
            state->creationDone = true;
            return S_OK;
        });
}

ComRef<EnvironmentCompletedHandler> MakeEnvironmentHandler(HWND parentWindow, RECT bounds, const wchar_t* url,
                                                           ComRef<ICoreWebView2Controller>& controller,
                                                           ComRef<ICoreWebView2>& webview,
                                                           std::shared_ptr<CreationState> state)
{
    return MakeHandler<EnvironmentCompletedHandler>(
        [parentWindow, bounds, url, &controller, &webview, state](HRESULT result,
                                                                 ICoreWebView2Environment* environment) -> HRESULT {
            if (state->creationDone) {
                return S_OK;
            }
            state->environmentAnswered = true;
            if (FAILED(result)) {
                EnvironmentFailed(parentWindow, result, *state);
                return E_FAIL;
            }
            if (!environment) {
                state->creationDone = true;
                return S_OK;
            }
            auto controllerHandler = MakeControllerHandler(parentWindow, bounds, url, controller, webview, state);
            const HRESULT requested = controllerHandler
                ? environment->CreateCoreWebView2Controller(parentWindow, controllerHandler.get())
                : E_OUTOFMEMORY;
            // A refused request never answers: end the creation here, as its
            // handler would have on a failure.
            if (FAILED(requested) && !state->creationDone) {
                state->creationDone = true;
                ShowError(parentWindow, kControllerFailed);
            }
            return S_OK;
        });
}

} // namespace

void InitWebView2(HWND parentWindow, RECT bounds, const wchar_t* url, ComRef<ICoreWebView2Controller>& controller,
                  ComRef<ICoreWebView2>& webview)
{
    if (engineMissing) {
        return;
    }
    const CreateEnvironmentFunction createEnvironment = LoadCreateEnvironment();
    auto state = std::make_shared<CreationState>();
    if (!createEnvironment) {
        EnvironmentFailed(parentWindow, kNoRuntime, *state);
        return;
    }

    auto environmentHandler = MakeEnvironmentHandler(parentWindow, bounds, url, controller, webview, state);
    const HRESULT requested = environmentHandler
        ? createEnvironment(nullptr, nullptr, nullptr, environmentHandler.get())
        : E_OUTOFMEMORY;
    // The engine holds its own reference for as long as it needs the handler.
    environmentHandler.reset();

    // A refused request never calls its handler: treat it as the handler's
    // failure. Should the engine answer anyway, the answer is ignored.
    if (FAILED(requested) && !state->environmentAnswered && !state->creationDone) {
        EnvironmentFailed(parentWindow, requested, *state);
        return;
    }
    if (!WaitForCreation(state->creationDone, kCreationGiveUpMs)) {
        // Given up: a completion arriving from now on changes nothing.
        state->creationDone = true;
    }
}
