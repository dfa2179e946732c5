// QueryInterface and reference counting by the COM rules on every object the
// stand-in hands out.
#include "StandinHarness.h"

#include <doctest.h>

#include <oleidl.h>

#include <typeinfo>

namespace {

// IUnknown identity, the object's own IID, E_NOINTERFACE with a null out for
// anything else, E_POINTER for a null out, and one reference per success.
template <typename Interface>
void CheckComRules(Interface* object)
{
    CAPTURE(typeid(Interface).name());
    const ULONG before = RefCount(object);
    CHECK(object->QueryInterface(__uuidof(IUnknown), nullptr) == E_POINTER);

    IUnknown* unknown = nullptr;
    REQUIRE(object->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(&unknown)) == S_OK);
    IUnknown* again = nullptr;
    REQUIRE(object->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(&again)) == S_OK);
    CHECK(unknown == again);
    CHECK(RefCount(object) == before + 2);
    unknown->Release();
    again->Release();

    Interface* self = nullptr;
    REQUIRE(object->QueryInterface(__uuidof(Interface), reinterpret_cast<void**>(&self)) == S_OK);
    CHECK(self == object);
    self->Release();

    const IID foreign[] = {__uuidof(IDispatch), __uuidof(IOleWindow), __uuidof(ICoreWebView2Environment),
                           __uuidof(ICoreWebView2Controller), __uuidof(ICoreWebView2), __uuidof(ICoreWebView2Settings),
                           __uuidof(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler)};
    for (const IID& iid : foreign) {
        if (iid == __uuidof(Interface)) {
            continue;
        }
        void* out = reinterpret_cast<void*>(0x1234);
        CHECK(object->QueryInterface(iid, &out) == E_NOINTERFACE);
        CHECK(out == nullptr);
    }

    CHECK(object->AddRef() == before + 1);
    CHECK(object->Release() == before);
}

} // namespace

TEST_CASE("every object answers QueryInterface and counts references by the COM rules")
{
    TracedTest test(L"com-rules");
    LoadedStandin standin;
    ComApartment com;
    TestWindow parent;
    PaneObjects pane = CreatePane(standin, parent.Handle());

    CheckComRules(pane.environment.get());
    CheckComRules(pane.controller.get());
    CheckComRules(pane.webView.get());
    CheckComRules(pane.settings.get());
}

TEST_CASE("each object handed out carries one reference for the caller")
{
    TracedTest test(L"com-handout");
    LoadedStandin standin;
    ComApartment com;
    TestWindow parent;
    PaneObjects pane = CreatePane(standin, parent.Handle());
    // Ours, plus the controller's hold on its webview and the webview's on its settings.
    CHECK(RefCount(pane.webView.get()) == 2);
    CHECK(RefCount(pane.settings.get()) == 2);
    CHECK(RefCount(pane.controller.get()) == 1);
    CHECK(RefCount(pane.environment.get()) == 1);

    ComRef<ICoreWebView2> second;
    REQUIRE(pane.controller->get_CoreWebView2(second.put()) == S_OK);
    CHECK(second.get() == pane.webView.get());
    CHECK(RefCount(pane.webView.get()) == 3);
    second.reset();
    CHECK(RefCount(pane.webView.get()) == 2);
}
