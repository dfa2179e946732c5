// Our WebView2 declarations against the fact table, checked from both sides:
// the slot the compiler assigns each method, the slot a real stand-in object
// answers at, and every IID typed in from the table. A slot mistake made in
// both the declarations and the stand-in would otherwise go unnoticed.
#include "StandinHarness.h"

#include <doctest.h>

#include <cstdint>
#include <cstring>
#include <functional>

namespace {

// In the GCC (Itanium) ABI a pointer to a virtual member function holds the
// method's vtable byte offset plus one.
template <typename Member>
std::ptrdiff_t SlotOf(Member member)
{
    struct Representation {
        std::uintptr_t pointer;
        std::ptrdiff_t adjustment;
    };
    static_assert(sizeof(Member) == sizeof(Representation));
    Representation representation;
    std::memcpy(&representation, &member, sizeof representation);
    REQUIRE((representation.pointer & 1) == 1);
    CHECK(representation.adjustment == 0);
    return static_cast<std::ptrdiff_t>((representation.pointer - 1) / sizeof(void*));
}

// The function at a slot of an object's vtable, called as the runtime's
// callers do: through the raw table, with `this` first.
template <typename... Args>
HRESULT CallSlot(void* object, int slot, Args... args)
{
    using Function = HRESULT(STDMETHODCALLTYPE*)(void*, Args...);
    void** const vtable = *static_cast<void***>(object);
    return reinterpret_cast<Function>(vtable[slot])(object, args...);
}

IID Parse(const wchar_t* text)
{
    IID iid = {};
    REQUIRE(IIDFromString(text, &iid) == S_OK);
    return iid;
}

} // namespace

TEST_CASE("the declarations put each method at the slot of the fact table")
{
    CHECK(SlotOf(&ICoreWebView2Environment::CreateCoreWebView2Controller) == 3);
    CHECK(SlotOf(&ICoreWebView2Environment::remove_NewBrowserVersionAvailable) == 7);

    CHECK(SlotOf(&ICoreWebView2Controller::put_IsVisible) == 4);
    CHECK(SlotOf(&ICoreWebView2Controller::put_Bounds) == 6);
    CHECK(SlotOf(&ICoreWebView2Controller::Close) == 24);
    CHECK(SlotOf(&ICoreWebView2Controller::get_CoreWebView2) == 25);

    CHECK(SlotOf(&ICoreWebView2::get_Settings) == 3);
    CHECK(SlotOf(&ICoreWebView2::Navigate) == 5);
    CHECK(SlotOf(&ICoreWebView2::AddScriptToExecuteOnDocumentCreated) == 27);
    CHECK(SlotOf(&ICoreWebView2::ExecuteScript) == 29);
    CHECK(SlotOf(&ICoreWebView2::CallDevToolsProtocolMethod) == 36);
    CHECK(SlotOf(&ICoreWebView2::get_CanGoBack) == 38);
    CHECK(SlotOf(&ICoreWebView2::GoBack) == 40);
    CHECK(SlotOf(&ICoreWebView2::remove_WindowCloseRequested) == 60);

    CHECK(SlotOf(&ICoreWebView2Settings::put_IsWebMessageEnabled) == 6);
    CHECK(SlotOf(&ICoreWebView2Settings::put_IsBuiltInErrorPageEnabled) == 20);
    CHECK(SlotOf(&ICoreWebView2EnvironmentOptions::put_AllowSingleSignOnUsingOSPrimaryAccount) == 10);

    CHECK(SlotOf(&ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler::Invoke) == 3);
    CHECK(SlotOf(&ICoreWebView2CreateCoreWebView2ControllerCompletedHandler::Invoke) == 3);
    CHECK(SlotOf(&ICoreWebView2CallDevToolsProtocolMethodCompletedHandler::Invoke) == 3);
    CHECK(SlotOf(&ICoreWebView2ExecuteScriptCompletedHandler::Invoke) == 3);
    CHECK(SlotOf(&ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler::Invoke) == 3);
}

TEST_CASE("a stand-in object answers each method Tavlio calls at the slot of the fact table")
{
    TracedTest test(L"abi-slots");
    LoadedStandin standin;
    ComApartment com;
    TestWindow parent;
    PaneObjects pane = CreatePane(standin, parent.Handle());
    auto lastLine = [&] { return test.Lines().back().name; };
    auto anotherController = NewOutcome<ICoreWebView2Controller>();
    ComRef<ControllerHandler> handler = RecordController(anotherController);
    void* const environment = pane.environment.get();
    void* const controller = pane.controller.get();
    void* const webView = pane.webView.get();
    void* const settings = pane.settings.get();

    CHECK(CallSlot(environment, 3, parent.Handle(), handler.get()) == S_OK);
    CHECK(lastLine() == "Environment.CreateCoreWebView2Controller");

    CHECK(CallSlot(controller, 4, BOOL{TRUE}) == S_OK);
    CHECK(lastLine() == "Controller.put_IsVisible");
    CHECK(CallSlot(controller, 6, RECT{1, 2, 301, 202}) == S_OK);
    CHECK(lastLine() == "Controller.put_Bounds");
    CHECK(test.Lines().back().args.at(0) == "1,2,301,202"); // the RECT arrived whole
    ICoreWebView2* given = nullptr;
    CHECK(CallSlot(controller, 25, &given) == S_OK);
    CHECK(lastLine() == "Controller.get_CoreWebView2");
    CHECK(given == pane.webView.get());
    given->Release();

    ICoreWebView2Settings* givenSettings = nullptr;
    CHECK(CallSlot(webView, 3, &givenSettings) == S_OK);
    CHECK(lastLine() == "WebView.get_Settings");
    CHECK(givenSettings == pane.settings.get());
    givenSettings->Release();
    CHECK(CallSlot(webView, 5, L"https://a.test/") == S_OK);
    CHECK(lastLine() == "WebView.Navigate");
    CHECK(CallSlot(webView, 27, L"a()", static_cast<void*>(nullptr)) == S_OK);
    CHECK(lastLine() == "WebView.AddScriptToExecuteOnDocumentCreated");
    CHECK(CallSlot(webView, 29, L"b()", static_cast<void*>(nullptr)) == S_OK);
    CHECK(lastLine() == "WebView.ExecuteScript");
    CHECK(CallSlot(webView, 36, L"Runtime.enable", L"{}", static_cast<void*>(nullptr)) == S_OK);
    CHECK(lastLine() == "WebView.CallDevToolsProtocolMethod");
    BOOL canGoBack = TRUE;
    CHECK(CallSlot(webView, 38, &canGoBack) == S_OK);
    CHECK(lastLine() == "WebView.get_CanGoBack");
    CHECK(canGoBack == FALSE);
    CHECK(CallSlot(webView, 40) == S_OK);
    CHECK(lastLine() == "WebView.GoBack");

    CHECK(CallSlot(settings, 6, BOOL{FALSE}) == S_OK);
    CHECK(lastLine() == "Settings.put_IsWebMessageEnabled");

    CHECK(CallSlot(controller, 24) == S_OK);
    CHECK(lastLine() == "Controller.Close");
    PumpUntil([&] { return anotherController->calls > 0; });
}

TEST_CASE("each IID equals the GUID of the fact table")
{
    CHECK(__uuidof(ICoreWebView2Environment) == Parse(L"{B96D755E-0319-4E92-A296-23436F46A1FC}"));
    CHECK(__uuidof(ICoreWebView2Controller) == Parse(L"{4D00C0D1-9434-4EB6-8078-8697A560334F}"));
    CHECK(__uuidof(ICoreWebView2) == Parse(L"{76ECEACB-0462-4D94-AC83-423A6793775E}"));
    CHECK(__uuidof(ICoreWebView2Settings) == Parse(L"{E562E4F0-D7FA-43AC-8D71-C05150499F00}"));
    CHECK(__uuidof(ICoreWebView2EnvironmentOptions) == Parse(L"{2FDE08A8-1E9A-4766-8C05-95A9CEB9D1C5}"));
    CHECK(__uuidof(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler) == Parse(L"{4E8A3389-C9D8-4BD2-B6B5-124FEE6CC14D}"));
    CHECK(__uuidof(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler) == Parse(L"{6C4819F3-C9B7-4260-8127-C9F5BDE7F68C}"));
    CHECK(__uuidof(ICoreWebView2CallDevToolsProtocolMethodCompletedHandler) == Parse(L"{5C4889F0-5EF6-4C5A-952C-D8F1B92D0574}"));
    CHECK(__uuidof(ICoreWebView2ExecuteScriptCompletedHandler) == Parse(L"{49511172-CC67-4BCA-9923-137112F4C4CC}"));
    CHECK(__uuidof(ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler) == Parse(L"{B99369F3-9B11-47B5-BC6F-8E7895FCEA17}"));
}

TEST_CASE("the loader exports its four functions under their plain names")
{
    LoadedStandin standin;
    for (const char* name : {"CreateCoreWebView2EnvironmentWithOptions", "CreateCoreWebView2Environment",
                             "GetAvailableCoreWebView2BrowserVersionString", "CompareBrowserVersions"}) {
        CAPTURE(name);
        CHECK(reinterpret_cast<void*>(GetProcAddress(standin.Module(), name)) != nullptr);
    }
    // x86 import libraries decorate these; the DLL never does.
    CHECK(reinterpret_cast<void*>(GetProcAddress(standin.Module(), "_CreateCoreWebView2EnvironmentWithOptions@16")) == nullptr);
}
