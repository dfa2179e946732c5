// One pane asked for exactly as Tavlio will ask for it, from a top-level
// window on an STA thread that pumps, and the trace read end to end.
#include "StandinHarness.h"

#include <doctest.h>

#include <cstdio>

TEST_CASE("a pane made as Tavlio makes it leaves the expected trace and window")
{
    TracedTest test(L"pane-creation");
    LoadedStandin standin;
    ComApartment com;
    REQUIRE(com.result == S_OK);
    TestWindow parent(1000, 700);
    const RECT bounds = {0, 40, 1000, 700};
    const wchar_t* const script = L"document.addEventListener('contextmenu', e => e.preventDefault());";
    const wchar_t* const address = L"https://mail.example.test/inbox";

    ComRef<ICoreWebView2Controller> controller;
    ComRef<ICoreWebView2> webView;
    bool ready = false;
    auto scriptAdded = NewOutcome<IUnknown>();
    auto onController = MakeHandler<ControllerHandler>([&](HRESULT error, ICoreWebView2Controller* created) {
        if (FAILED(error) || !created) {
            return S_OK;
        }
        controller = created;
        controller->get_CoreWebView2(webView.put());
        controller->put_Bounds(bounds);
        ComRef<ICoreWebView2Settings> settings;
        webView->get_Settings(settings.put());
        settings->put_IsWebMessageEnabled(TRUE);
        webView->AddScriptToExecuteOnDocumentCreated(
            script, RecordText<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler>(scriptAdded).get());
        webView->Navigate(address);
        ready = true;
        return S_OK;
    });
    auto onEnvironment = MakeHandler<EnvironmentHandler>([&](HRESULT error, ICoreWebView2Environment* environment) {
        if (SUCCEEDED(error) && environment) {
            environment->CreateCoreWebView2Controller(parent.Handle(), onController.get());
        }
        return S_OK;
    });
    REQUIRE(standin.createEnvironmentWithOptions(nullptr, L"C:\\users\\tavlio\\data", nullptr, onEnvironment.get()) == S_OK);
    REQUIRE(PumpUntil([&] { return ready && scriptAdded->calls > 0; }));

    std::vector<std::string> sequence;
    for (const TraceLine& line : test.Lines()) {
        CHECK(line.pane == 0);
        std::string entry = line.name;
        for (const std::string& argument : line.args) {
            entry += ' ' + argument;
        }
        sequence.push_back(entry);
    }
    char parentText[32];
    std::snprintf(parentText, sizeof parentText, "0x%llX", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(parent.Handle())));
    const std::vector<std::string> expected = {
        "Loader.CreateCoreWebView2EnvironmentWithOptions null \"C:\\\\users\\\\tavlio\\\\data\" null handler hr=0x00000000",
        "Invoke.EnvironmentCompleted 0x00000000 object",
        "Environment.CreateCoreWebView2Controller " + std::string(parentText) + " handler hr=0x00000000",
        "Returned.EnvironmentCompleted 0x00000000",
        "Invoke.ControllerCompleted 0x00000000 object",
        "Controller.get_CoreWebView2 object hr=0x00000000",
        "Controller.put_Bounds 0,40,1000,700 hr=0x00000000",
        "WebView.get_Settings object hr=0x00000000",
        "Settings.put_IsWebMessageEnabled 1 hr=0x00000000",
        "WebView.AddScriptToExecuteOnDocumentCreated " + Utf8(L"\"document.addEventListener('contextmenu', e => e.preventDefault());\"") +
            " handler hr=0x00000000",
        "WebView.Navigate \"https://mail.example.test/inbox\" hr=0x00000000",
        "Returned.ControllerCompleted 0x00000000",
        "Invoke.AddScriptCompleted 0x00000000 \"" + Utf8(scriptAdded->text) + "\"",
        "Returned.AddScriptCompleted 0x00000000",
    };
    CHECK(sequence == expected);

    const HWND pane = PaneWindowOf(parent);
    CHECK(IsWindowVisible(pane));
    CHECK(WindowText(pane) == address);
    RECT placed;
    GetWindowRect(pane, &placed);
    MapWindowPoints(HWND_DESKTOP, parent.Handle(), reinterpret_cast<POINT*>(&placed), 2);
    CHECK((placed.left == bounds.left && placed.top == bounds.top && placed.right == bounds.right && placed.bottom == bounds.bottom));

    // Tavlio's shutdown: Close, release, and nothing may be left at unload.
    controller->Close();
    webView.reset();
    controller.reset();
    CHECK_FALSE(IsWindow(pane));
    REQUIRE(standin.Unload());
    const auto lines = test.Lines();
    CHECK(lines.back().args ==
          std::vector<std::string>{"Environment=0", "Controller=0", "WebView=0", "Settings=0", "PendingCompletions=0"});
    CHECK(CountNamed(lines, "Unexpected") == 0);
}
