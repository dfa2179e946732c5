// At unload the stand-in reports the objects still alive and the completions
// never delivered, so a leak shows; and it leaves nothing behind that could
// run its unloaded code.
#include "StandinHarness.h"

#include <doctest.h>

namespace {

// The Unload line of the trace, as "name=value" words.
std::vector<std::string> UnloadCounts(const TracedTest& test)
{
    const auto lines = test.Lines();
    REQUIRE_FALSE(lines.empty());
    REQUIRE(lines.back().name == "Unload");
    CHECK(lines.back().pane == -1);
    return lines.back().args;
}

} // namespace

TEST_CASE("unloading after everything was released reports nothing alive")
{
    TracedTest test(L"unload-clean");
    LoadedStandin standin;
    ComApartment com;
    TestWindow parent;
    {
        PaneObjects pane = CreatePane(standin, parent.Handle());
        pane.webView->Navigate(L"https://a.test/");
        pane.webView->ExecuteScript(L"1", RecordText<ICoreWebView2ExecuteScriptCompletedHandler>(NewOutcome<IUnknown>()).get());
        PumpUntil([&] { return CountNamed(test.Lines(), "Returned.ExecuteScriptCompleted") > 0; });
        pane.controller->Close();
    }
    REQUIRE(standin.Unload());
    CHECK(UnloadCounts(test) ==
          std::vector<std::string>{"Environment=0", "Controller=0", "WebView=0", "Settings=0", "PendingCompletions=0"});
}

TEST_CASE("a leaked reference shows in the unload counts and its window goes with the DLL")
{
    TracedTest test(L"unload-leak");
    LoadedStandin standin;
    ComApartment com;
    TestWindow parent;
    {
        PaneObjects pane = CreatePane(standin, parent.Handle());
        (void)pane.controller.detach(); // deliberately never released
    }
    const HWND window = PaneWindowOf(parent);
    REQUIRE(standin.Unload());
    CHECK(UnloadCounts(test) ==
          std::vector<std::string>{"Environment=0", "Controller=1", "WebView=1", "Settings=1", "PendingCompletions=0"});
    CHECK_FALSE(IsWindow(window));
    PumpMessagesFor(50); // nothing of the unloaded code may run now
    parent.Destroy();
}

TEST_CASE("completions still owed at unload are counted and their handlers released")
{
    TracedTest test(L"unload-pending");
    LoadedStandin standin;
    ComApartment com;
    TestWindow parent;
    auto silent = NewOutcome<ICoreWebView2Environment>();
    auto delayed = NewOutcome<ICoreWebView2Environment>();
    auto held = NewOutcome<ICoreWebView2Controller>();
    ComRef<EnvironmentHandler> silentHandler = RecordEnvironment(silent);
    ComRef<EnvironmentHandler> delayedHandler = RecordEnvironment(delayed);
    ComRef<ControllerHandler> heldHandler = RecordController(held);
    ComRef<ICoreWebView2Environment> environment;
    {
        ScopedEnvironment fail(L"TAVLIO_STANDIN_FAIL", L"controller-silent@0");
        environment = CreateEnvironment(standin);
    }
    {
        ScopedEnvironment fail(L"TAVLIO_STANDIN_FAIL", L"env-silent@1");
        ScopedEnvironment delay(L"TAVLIO_STANDIN_DELAY_MS", L"60000");
        REQUIRE(standin.createEnvironmentWithOptions(nullptr, nullptr, nullptr, silentHandler.get()) == S_OK);
        REQUIRE(standin.createEnvironmentWithOptions(nullptr, nullptr, nullptr, delayedHandler.get()) == S_OK);
    }
    REQUIRE(environment->CreateCoreWebView2Controller(parent.Handle(), heldHandler.get()) == S_OK);
    environment.reset();
    DrainMessages();
    CHECK(RefCount(silentHandler.get()) == 2);
    CHECK(RefCount(delayedHandler.get()) == 2);
    CHECK(RefCount(heldHandler.get()) == 2);

    REQUIRE(standin.Unload());
    CHECK(UnloadCounts(test) ==
          std::vector<std::string>{"Environment=0", "Controller=0", "WebView=0", "Settings=0", "PendingCompletions=3"});
    CHECK(RefCount(silentHandler.get()) == 1);
    CHECK(RefCount(delayedHandler.get()) == 1);
    CHECK(RefCount(heldHandler.get()) == 1);
    CHECK(parent.Children().empty());
    PumpMessagesFor(50);
    CHECK(silent->calls + delayed->calls + held->calls == 0);
}

TEST_CASE("the DLL loads again after an unload and starts over")
{
    TracedTest test(L"unload-reload");
    ComApartment com;
    TestWindow parent;
    for (int round = 0; round < 2; ++round) {
        LoadedStandin standin;
        {
            PaneObjects pane = CreatePane(standin, parent.Handle());
            pane.controller->Close();
        }
        REQUIRE(standin.Unload());
    }
    const auto lines = test.Lines();
    const auto requests = LinesNamed(lines, "Loader.CreateCoreWebView2EnvironmentWithOptions");
    REQUIRE(requests.size() == 2);
    CHECK(requests[1].pane == 0); // ordinals count per load
    CHECK(CountNamed(lines, "Unload") == 2);
    CHECK(CountNamed(lines, "Invoke.ControllerCompleted") == 2);
}
