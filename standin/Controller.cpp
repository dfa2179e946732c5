#include "Controller.h"

#include "Completions.h"
#include "Trace.h"

#include <new>
#include <utility>

namespace standin {

namespace {

// What the real engine answers once a controller has been closed.
constexpr HRESULT kClosed = HRESULT_FROM_WIN32(ERROR_INVALID_STATE);

enum class Outcome { Created, Failed, NoController };

class ControllerCompletion final : public Completion {
public:
    ControllerCompletion(std::shared_ptr<Pane> pane, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler,
                         Outcome outcome)
        : pane(std::move(pane)), handler(handler), outcome(outcome)
    {
    }

    // Never delivered, or delivered as a failure: the window goes too.
    ~ControllerCompletion() override
    {
        if (!handedOver) {
            pane->DiscardWindow();
        }
    }

    void Deliver() override
    {
        pane->CreationDelivered();
        ComRef<ICoreWebView2Controller> controller;
        HRESULT error = outcome == Outcome::Failed ? E_FAIL : S_OK;
        if (outcome == Outcome::Created) {
            controller.attach(new (std::nothrow) Controller(pane));
            if (controller) {
                handedOver = true;
            } else {
                error = E_OUTOFMEMORY;
            }
        }
        if (!handedOver) {
            pane->DiscardWindow();
        }
        InvokeHandler(pane->Ordinal(), "ControllerCompleted", handler.get(), error, controller.get());
    }

    void Abort(HRESULT error) override
    {
        InvokeHandler(pane->Ordinal(), "ControllerCompleted", handler.get(), error, static_cast<ICoreWebView2Controller*>(nullptr));
    }

private:
    std::shared_ptr<Pane> pane;
    ComRef<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> handler;
    Outcome outcome;
    bool handedOver = false;
};

} // namespace

HRESULT RequestController(int ordinal, const std::shared_ptr<const Config>& config, HWND parentWindow,
                          ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler)
{
    if (!handler) {
        return E_POINTER;
    }
    if (config->Fails(Failure::ControllerReturnFail, ordinal)) {
        return E_FAIL;
    }
    auto pane = std::make_shared<Pane>(ordinal, config);
    if (const HRESULT created = pane->CreateWindowIn(parentWindow); FAILED(created)) {
        return created;
    }
    Outcome outcome = Outcome::Created;
    if (config->Fails(Failure::ControllerHandlerFail, ordinal)) {
        outcome = Outcome::Failed;
    } else if (config->Fails(Failure::ControllerNull, ordinal)) {
        outcome = Outcome::NoController;
    }
    auto completion = std::make_unique<ControllerCompletion>(pane, handler, outcome);
    if (config->Fails(Failure::ControllerSilent, ordinal)) {
        Withhold(std::move(completion));
        return S_OK;
    }
    const DWORD delay = config->Fails(Failure::ControllerLate, ordinal) ? config->LateMs() : config->DelayMs();
    pane->AwaitCreation(Schedule(std::move(completion), delay));
    return S_OK;
}

Controller::Controller(std::shared_ptr<Pane> pane) : pane(std::move(pane))
{
    if (!this->pane->Steering().Fails(Failure::NoWebView, this->pane->Ordinal())) {
        webView.attach(new (std::nothrow) WebView(this->pane));
    }
}

Controller::~Controller()
{
    // Losing the last reference closes the controller, as in the real engine.
    pane->Close();
}

HRESULT STDMETHODCALLTYPE Controller::get_IsVisible(BOOL* isVisible)
{
    if (!isVisible) {
        return Unexpected(pane->Ordinal(), "Controller.get_IsVisible", E_POINTER);
    }
    *isVisible = pane->IsVisible();
    return Unexpected(pane->Ordinal(), "Controller.get_IsVisible", S_OK);
}

HRESULT STDMETHODCALLTYPE Controller::put_IsVisible(BOOL isVisible)
{
    HRESULT hr = kClosed;
    if (!pane->IsClosed()) {
        pane->SetVisible(isVisible != FALSE);
        hr = S_OK;
    }
    TraceRecord(pane->Ordinal(), "Controller.put_IsVisible").Bool(isVisible).Result(hr).Write();
    return hr;
}

HRESULT STDMETHODCALLTYPE Controller::get_Bounds(RECT* bounds)
{
    if (!bounds) {
        return Unexpected(pane->Ordinal(), "Controller.get_Bounds", E_POINTER);
    }
    *bounds = pane->Bounds();
    return Unexpected(pane->Ordinal(), "Controller.get_Bounds", S_OK);
}

HRESULT STDMETHODCALLTYPE Controller::put_Bounds(RECT bounds)
{
    HRESULT hr = kClosed;
    if (!pane->IsClosed()) {
        pane->SetBounds(bounds);
        hr = S_OK;
    }
    TraceRecord(pane->Ordinal(), "Controller.put_Bounds").Rect(bounds).Result(hr).Write();
    return hr;
}

HRESULT STDMETHODCALLTYPE Controller::get_ZoomFactor(double* zoomFactor)
{
    if (!zoomFactor) {
        return Unexpected(pane->Ordinal(), "Controller.get_ZoomFactor", E_POINTER);
    }
    *zoomFactor = 1.0;
    return Unexpected(pane->Ordinal(), "Controller.get_ZoomFactor", S_OK);
}

HRESULT STDMETHODCALLTYPE Controller::put_ZoomFactor(double)
{
    return NotExpected("Controller.put_ZoomFactor");
}

HRESULT Controller::NotExpected(const char* method)
{
    return Unexpected(pane->Ordinal(), method, E_NOTIMPL);
}

HRESULT Controller::NotExpectedEvent(const char* method, EventRegistrationToken* token)
{
    if (token) {
        token->value = 0;
    }
    return Unexpected(pane->Ordinal(), method, E_NOTIMPL);
}

HRESULT STDMETHODCALLTYPE Controller::add_ZoomFactorChanged(ICoreWebView2ZoomFactorChangedEventHandler*, EventRegistrationToken* token)
{
    return NotExpectedEvent("Controller.add_ZoomFactorChanged", token);
}

HRESULT STDMETHODCALLTYPE Controller::remove_ZoomFactorChanged(EventRegistrationToken)
{
    return NotExpected("Controller.remove_ZoomFactorChanged");
}

HRESULT STDMETHODCALLTYPE Controller::SetBoundsAndZoomFactor(RECT, double)
{
    return NotExpected("Controller.SetBoundsAndZoomFactor");
}

HRESULT STDMETHODCALLTYPE Controller::MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON)
{
    return NotExpected("Controller.MoveFocus");
}

HRESULT STDMETHODCALLTYPE Controller::add_MoveFocusRequested(ICoreWebView2MoveFocusRequestedEventHandler*, EventRegistrationToken* token)
{
    return NotExpectedEvent("Controller.add_MoveFocusRequested", token);
}

HRESULT STDMETHODCALLTYPE Controller::remove_MoveFocusRequested(EventRegistrationToken)
{
    return NotExpected("Controller.remove_MoveFocusRequested");
}

HRESULT STDMETHODCALLTYPE Controller::add_GotFocus(ICoreWebView2FocusChangedEventHandler*, EventRegistrationToken* token)
{
    return NotExpectedEvent("Controller.add_GotFocus", token);
}

HRESULT STDMETHODCALLTYPE Controller::remove_GotFocus(EventRegistrationToken)
{
    return NotExpected("Controller.remove_GotFocus");
}

HRESULT STDMETHODCALLTYPE Controller::add_LostFocus(ICoreWebView2FocusChangedEventHandler*, EventRegistrationToken* token)
{
    return NotExpectedEvent("Controller.add_LostFocus", token);
}

HRESULT STDMETHODCALLTYPE Controller::remove_LostFocus(EventRegistrationToken)
{
    return NotExpected("Controller.remove_LostFocus");
}

HRESULT STDMETHODCALLTYPE Controller::add_AcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventHandler*,
                                                                EventRegistrationToken* token)
{
    return NotExpectedEvent("Controller.add_AcceleratorKeyPressed", token);
}

HRESULT STDMETHODCALLTYPE Controller::remove_AcceleratorKeyPressed(EventRegistrationToken)
{
    return NotExpected("Controller.remove_AcceleratorKeyPressed");
}

HRESULT STDMETHODCALLTYPE Controller::get_ParentWindow(HWND* parentWindow)
{
    if (!parentWindow) {
        return Unexpected(pane->Ordinal(), "Controller.get_ParentWindow", E_POINTER);
    }
    *parentWindow = pane->ParentWindow();
    return Unexpected(pane->Ordinal(), "Controller.get_ParentWindow", S_OK);
}

HRESULT STDMETHODCALLTYPE Controller::put_ParentWindow(HWND)
{
    return NotExpected("Controller.put_ParentWindow");
}

HRESULT STDMETHODCALLTYPE Controller::NotifyParentWindowPositionChanged()
{
    return NotExpected("Controller.NotifyParentWindowPositionChanged");
}

HRESULT STDMETHODCALLTYPE Controller::Close()
{
    // Closing twice is harmless, as in the real engine.
    pane->Close();
    TraceRecord(pane->Ordinal(), "Controller.Close").Result(S_OK).Write();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::get_CoreWebView2(ICoreWebView2** coreWebView2)
{
    HRESULT hr = S_OK;
    ICoreWebView2* given = nullptr;
    if (!coreWebView2) {
        hr = E_POINTER;
    } else if (pane->IsClosed()) {
        hr = kClosed;
    } else if (webView) {
        given = webView.get();
        given->AddRef();
    }
    if (coreWebView2) {
        *coreWebView2 = given;
    }
    TraceRecord(pane->Ordinal(), "Controller.get_CoreWebView2").Object(given).Result(hr).Write();
    return hr;
}

} // namespace standin
