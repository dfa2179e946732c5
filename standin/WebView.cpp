#include "WebView.h"

#include "Completions.h"
#include "Trace.h"

#include <atomic>
#include <new>
#include <string>

namespace standin {

namespace {

constexpr HRESULT kClosed = HRESULT_FROM_WIN32(ERROR_INVALID_STATE);

// What the stand-in cannot compute: a script's value is undefined, which the
// real engine reports as "null"; a DevTools method returns an empty object.
constexpr wchar_t kScriptResult[] = L"null";
constexpr wchar_t kDevToolsResult[] = L"{}";

std::atomic<unsigned> lastScriptId{0};

} // namespace

WebView::WebView(std::shared_ptr<Pane> pane) : pane(std::move(pane))
{
    if (!this->pane->Steering().Fails(Failure::NoSettings, this->pane->Ordinal())) {
        settings.attach(new (std::nothrow) Settings(this->pane->Ordinal()));
    }
}

template <typename Handler>
void WebView::Complete(std::string_view name, Handler* handler, std::wstring text)
{
    // A null handler is accepted: nobody to tell.
    if (handler) {
        Schedule(std::make_unique<TextCompletion<Handler>>(pane->Ordinal(), name, handler, std::move(text)), pane->Steering().DelayMs());
    }
}

HRESULT WebView::NotExpected(const char* method)
{
    return Unexpected(pane->Ordinal(), method, E_NOTIMPL);
}

HRESULT WebView::NotExpectedEvent(const char* method, EventRegistrationToken* token)
{
    if (token) {
        token->value = 0;
    }
    return Unexpected(pane->Ordinal(), method, E_NOTIMPL);
}

HRESULT STDMETHODCALLTYPE WebView::get_Settings(ICoreWebView2Settings** out)
{
    HRESULT hr = S_OK;
    ICoreWebView2Settings* given = nullptr;
    if (!out) {
        hr = E_POINTER;
    } else if (pane->IsClosed()) {
        hr = kClosed;
    } else if (settings) {
        given = settings.get();
        given->AddRef();
    }
    if (out) {
        *out = given;
    }
    TraceRecord(pane->Ordinal(), "WebView.get_Settings").Object(given).Result(hr).Write();
    return hr;
}

HRESULT STDMETHODCALLTYPE WebView::get_Source(LPWSTR* uri)
{
    return Unexpected(pane->Ordinal(), "WebView.get_Source", CopyToTaskMemory(pane->Address(), uri));
}

HRESULT STDMETHODCALLTYPE WebView::Navigate(LPCWSTR uri)
{
    HRESULT hr = S_OK;
    if (!uri) {
        hr = E_INVALIDARG;
    } else if (pane->IsClosed()) {
        hr = kClosed;
    } else {
        pane->Navigate(uri);
    }
    TraceRecord(pane->Ordinal(), "WebView.Navigate").String(uri).Result(hr).Write();
    return hr;
}

HRESULT STDMETHODCALLTYPE WebView::NavigateToString(LPCWSTR)
{
    return NotExpected("WebView.NavigateToString");
}

HRESULT STDMETHODCALLTYPE WebView::add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler*, EventRegistrationToken* token)
{
    return NotExpectedEvent("WebView.add_NavigationStarting", token);
}

HRESULT STDMETHODCALLTYPE WebView::remove_NavigationStarting(EventRegistrationToken)
{
    return NotExpected("WebView.remove_NavigationStarting");
}

HRESULT STDMETHODCALLTYPE WebView::add_ContentLoading(ICoreWebView2ContentLoadingEventHandler*, EventRegistrationToken* token)
{
    return NotExpectedEvent("WebView.add_ContentLoading", token);
}

HRESULT STDMETHODCALLTYPE WebView::remove_ContentLoading(EventRegistrationToken)
{
    return NotExpected("WebView.remove_ContentLoading");
}

HRESULT STDMETHODCALLTYPE WebView::add_SourceChanged(ICoreWebView2SourceChangedEventHandler*, EventRegistrationToken* token)
{
    return NotExpectedEvent("WebView.add_SourceChanged", token);
}

HRESULT STDMETHODCALLTYPE WebView::remove_SourceChanged(EventRegistrationToken)
{
    return NotExpected("WebView.remove_SourceChanged");
}

HRESULT STDMETHODCALLTYPE WebView::add_HistoryChanged(ICoreWebView2HistoryChangedEventHandler*, EventRegistrationToken* token)
{
    return NotExpectedEvent("WebView.add_HistoryChanged", token);
}

HRESULT STDMETHODCALLTYPE WebView::remove_HistoryChanged(EventRegistrationToken)
{
    return NotExpected("WebView.remove_HistoryChanged");
}

HRESULT STDMETHODCALLTYPE WebView::add_NavigationCompleted(ICoreWebView2NavigationCompletedEventHandler*, EventRegistrationToken* token)
{
    return NotExpectedEvent("WebView.add_NavigationCompleted", token);
}

HRESULT STDMETHODCALLTYPE WebView::remove_NavigationCompleted(EventRegistrationToken)
{
    return NotExpected("WebView.remove_NavigationCompleted");
}

HRESULT STDMETHODCALLTYPE WebView::add_FrameNavigationStarting(ICoreWebView2NavigationStartingEventHandler*, EventRegistrationToken* token)
{
    return NotExpectedEvent("WebView.add_FrameNavigationStarting", token);
}

HRESULT STDMETHODCALLTYPE WebView::remove_FrameNavigationStarting(EventRegistrationToken)
{
    return NotExpected("WebView.remove_FrameNavigationStarting");
}

HRESULT STDMETHODCALLTYPE WebView::add_FrameNavigationCompleted(ICoreWebView2NavigationCompletedEventHandler*, EventRegistrationToken* token)
{
    return NotExpectedEvent("WebView.add_FrameNavigationCompleted", token);
}

HRESULT STDMETHODCALLTYPE WebView::remove_FrameNavigationCompleted(EventRegistrationToken)
{
    return NotExpected("WebView.remove_FrameNavigationCompleted");
}

HRESULT STDMETHODCALLTYPE WebView::add_ScriptDialogOpening(ICoreWebView2ScriptDialogOpeningEventHandler*, EventRegistrationToken* token)
{
    return NotExpectedEvent("WebView.add_ScriptDialogOpening", token);
}

HRESULT STDMETHODCALLTYPE WebView::remove_ScriptDialogOpening(EventRegistrationToken)
{
    return NotExpected("WebView.remove_ScriptDialogOpening");
}

HRESULT STDMETHODCALLTYPE WebView::add_PermissionRequested(ICoreWebView2PermissionRequestedEventHandler*, EventRegistrationToken* token)
{
    return NotExpectedEvent("WebView.add_PermissionRequested", token);
}

HRESULT STDMETHODCALLTYPE WebView::remove_PermissionRequested(EventRegistrationToken)
{
    return NotExpected("WebView.remove_PermissionRequested");
}

HRESULT STDMETHODCALLTYPE WebView::add_ProcessFailed(ICoreWebView2ProcessFailedEventHandler*, EventRegistrationToken* token)
{
    return NotExpectedEvent("WebView.add_ProcessFailed", token);
}

HRESULT STDMETHODCALLTYPE WebView::remove_ProcessFailed(EventRegistrationToken)
{
    return NotExpected("WebView.remove_ProcessFailed");
}

HRESULT STDMETHODCALLTYPE WebView::AddScriptToExecuteOnDocumentCreated(
    LPCWSTR javaScript, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler)
{
    HRESULT hr = S_OK;
    if (!javaScript) {
        hr = E_INVALIDARG;
    } else if (pane->IsClosed()) {
        hr = kClosed;
    } else {
        // The handler gets the id RemoveScriptToExecuteOnDocumentCreated would take.
        Complete("AddScriptCompleted", handler, std::to_wstring(++lastScriptId));
    }
    TraceRecord(pane->Ordinal(), "WebView.AddScriptToExecuteOnDocumentCreated").String(javaScript).Handler(handler).Result(hr).Write();
    return hr;
}

HRESULT STDMETHODCALLTYPE WebView::RemoveScriptToExecuteOnDocumentCreated(LPCWSTR)
{
    return NotExpected("WebView.RemoveScriptToExecuteOnDocumentCreated");
}

HRESULT STDMETHODCALLTYPE WebView::ExecuteScript(LPCWSTR javaScript, ICoreWebView2ExecuteScriptCompletedHandler* handler)
{
    HRESULT hr = S_OK;
    if (!javaScript) {
        hr = E_INVALIDARG;
    } else if (pane->IsClosed()) {
        hr = kClosed;
    } else {
        Complete("ExecuteScriptCompleted", handler, kScriptResult);
    }
    TraceRecord(pane->Ordinal(), "WebView.ExecuteScript").String(javaScript).Handler(handler).Result(hr).Write();
    return hr;
}

HRESULT STDMETHODCALLTYPE WebView::CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT, IStream*, ICoreWebView2CapturePreviewCompletedHandler*)
{
    return NotExpected("WebView.CapturePreview");
}

HRESULT STDMETHODCALLTYPE WebView::Reload()
{
    return NotExpected("WebView.Reload");
}

HRESULT STDMETHODCALLTYPE WebView::PostWebMessageAsJson(LPCWSTR)
{
    return NotExpected("WebView.PostWebMessageAsJson");
}

HRESULT STDMETHODCALLTYPE WebView::PostWebMessageAsString(LPCWSTR)
{
    return NotExpected("WebView.PostWebMessageAsString");
}

HRESULT STDMETHODCALLTYPE WebView::add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler*, EventRegistrationToken* token)
{
    return NotExpectedEvent("WebView.add_WebMessageReceived", token);
}

HRESULT STDMETHODCALLTYPE WebView::remove_WebMessageReceived(EventRegistrationToken)
{
    return NotExpected("WebView.remove_WebMessageReceived");
}

HRESULT STDMETHODCALLTYPE WebView::CallDevToolsProtocolMethod(LPCWSTR methodName, LPCWSTR parametersAsJson,
                                                              ICoreWebView2CallDevToolsProtocolMethodCompletedHandler* handler)
{
    HRESULT hr = S_OK;
    if (!methodName || !parametersAsJson) {
        hr = E_INVALIDARG;
    } else if (pane->IsClosed()) {
        hr = kClosed;
    } else {
        Complete("DevToolsCompleted", handler, kDevToolsResult);
    }
    TraceRecord(pane->Ordinal(), "WebView.CallDevToolsProtocolMethod")
        .String(methodName)
        .String(parametersAsJson)
        .Handler(handler)
        .Result(hr)
        .Write();
    return hr;
}

HRESULT STDMETHODCALLTYPE WebView::get_BrowserProcessId(UINT32* value)
{
    if (!value) {
        return Unexpected(pane->Ordinal(), "WebView.get_BrowserProcessId", E_POINTER);
    }
    // The stand-in's "browser" runs in this process.
    *value = GetCurrentProcessId();
    return Unexpected(pane->Ordinal(), "WebView.get_BrowserProcessId", S_OK);
}

HRESULT STDMETHODCALLTYPE WebView::get_CanGoBack(BOOL* canGoBack)
{
    const BOOL can = pane->CanGoBack() ? TRUE : FALSE;
    HRESULT hr = S_OK;
    TraceRecord record(pane->Ordinal(), "WebView.get_CanGoBack");
    if (canGoBack) {
        *canGoBack = can;
        record.Bool(can);
    } else {
        hr = E_POINTER;
        record.Word("null");
    }
    record.Result(hr).Write();
    return hr;
}

HRESULT STDMETHODCALLTYPE WebView::get_CanGoForward(BOOL* canGoForward)
{
    if (!canGoForward) {
        return Unexpected(pane->Ordinal(), "WebView.get_CanGoForward", E_POINTER);
    }
    *canGoForward = pane->CanGoForward() ? TRUE : FALSE;
    return Unexpected(pane->Ordinal(), "WebView.get_CanGoForward", S_OK);
}

HRESULT STDMETHODCALLTYPE WebView::GoBack()
{
    HRESULT hr = S_OK;
    std::optional<std::wstring> address;
    if (pane->IsClosed()) {
        hr = kClosed;
    } else {
        // At the first page it does nothing, successfully.
        address = pane->GoBack();
    }
    TraceRecord(pane->Ordinal(), "WebView.GoBack").String(address ? address->c_str() : nullptr).Result(hr).Write();
    return hr;
}

HRESULT STDMETHODCALLTYPE WebView::GoForward()
{
    return NotExpected("WebView.GoForward");
}

HRESULT STDMETHODCALLTYPE WebView::GetDevToolsProtocolEventReceiver(LPCWSTR, ICoreWebView2DevToolsProtocolEventReceiver** receiver)
{
    if (receiver) {
        *receiver = nullptr;
    }
    return NotExpected("WebView.GetDevToolsProtocolEventReceiver");
}

HRESULT STDMETHODCALLTYPE WebView::Stop()
{
    return NotExpected("WebView.Stop");
}

HRESULT STDMETHODCALLTYPE WebView::add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler*, EventRegistrationToken* token)
{
    return NotExpectedEvent("WebView.add_NewWindowRequested", token);
}

HRESULT STDMETHODCALLTYPE WebView::remove_NewWindowRequested(EventRegistrationToken)
{
    return NotExpected("WebView.remove_NewWindowRequested");
}

HRESULT STDMETHODCALLTYPE WebView::add_DocumentTitleChanged(ICoreWebView2DocumentTitleChangedEventHandler*, EventRegistrationToken* token)
{
    return NotExpectedEvent("WebView.add_DocumentTitleChanged", token);
}

HRESULT STDMETHODCALLTYPE WebView::remove_DocumentTitleChanged(EventRegistrationToken)
{
    return NotExpected("WebView.remove_DocumentTitleChanged");
}

HRESULT STDMETHODCALLTYPE WebView::get_DocumentTitle(LPWSTR* title)
{
    // No document is parsed: the title is the address, as for a page without <title>.
    return Unexpected(pane->Ordinal(), "WebView.get_DocumentTitle", CopyToTaskMemory(pane->Address(), title));
}

HRESULT STDMETHODCALLTYPE WebView::AddHostObjectToScript(LPCWSTR, VARIANT*)
{
    return NotExpected("WebView.AddHostObjectToScript");
}

HRESULT STDMETHODCALLTYPE WebView::RemoveHostObjectFromScript(LPCWSTR)
{
    return NotExpected("WebView.RemoveHostObjectFromScript");
}

HRESULT STDMETHODCALLTYPE WebView::OpenDevToolsWindow()
{
    return NotExpected("WebView.OpenDevToolsWindow");
}

HRESULT STDMETHODCALLTYPE WebView::add_ContainsFullScreenElementChanged(ICoreWebView2ContainsFullScreenElementChangedEventHandler*,
                                                                        EventRegistrationToken* token)
{
    return NotExpectedEvent("WebView.add_ContainsFullScreenElementChanged", token);
}

HRESULT STDMETHODCALLTYPE WebView::remove_ContainsFullScreenElementChanged(EventRegistrationToken)
{
    return NotExpected("WebView.remove_ContainsFullScreenElementChanged");
}

HRESULT STDMETHODCALLTYPE WebView::get_ContainsFullScreenElement(BOOL* containsFullScreenElement)
{
    if (!containsFullScreenElement) {
        return Unexpected(pane->Ordinal(), "WebView.get_ContainsFullScreenElement", E_POINTER);
    }
    *containsFullScreenElement = FALSE;
    return Unexpected(pane->Ordinal(), "WebView.get_ContainsFullScreenElement", S_OK);
}

HRESULT STDMETHODCALLTYPE WebView::add_WebResourceRequested(ICoreWebView2WebResourceRequestedEventHandler*, EventRegistrationToken* token)
{
    return NotExpectedEvent("WebView.add_WebResourceRequested", token);
}

HRESULT STDMETHODCALLTYPE WebView::remove_WebResourceRequested(EventRegistrationToken)
{
    return NotExpected("WebView.remove_WebResourceRequested");
}

HRESULT STDMETHODCALLTYPE WebView::AddWebResourceRequestedFilter(LPCWSTR, COREWEBVIEW2_WEB_RESOURCE_CONTEXT)
{
    return NotExpected("WebView.AddWebResourceRequestedFilter");
}

HRESULT STDMETHODCALLTYPE WebView::RemoveWebResourceRequestedFilter(LPCWSTR, COREWEBVIEW2_WEB_RESOURCE_CONTEXT)
{
    return NotExpected("WebView.RemoveWebResourceRequestedFilter");
}

HRESULT STDMETHODCALLTYPE WebView::add_WindowCloseRequested(ICoreWebView2WindowCloseRequestedEventHandler*, EventRegistrationToken* token)
{
    return NotExpectedEvent("WebView.add_WindowCloseRequested", token);
}

HRESULT STDMETHODCALLTYPE WebView::remove_WindowCloseRequested(EventRegistrationToken)
{
    return NotExpected("WebView.remove_WindowCloseRequested");
}

} // namespace standin
