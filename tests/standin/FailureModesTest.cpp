// Every way TAVLIO_STANDIN_FAIL can make a step of pane creation fail, and
// only at the panes it names.
#include "StandinHarness.h"

#include <doctest.h>

#include <optional>

namespace {

struct EnvironmentRequest {
    std::shared_ptr<Outcome<ICoreWebView2Environment>> outcome = NewOutcome<ICoreWebView2Environment>();
    ComRef<EnvironmentHandler> handler = RecordEnvironment(outcome);
    HRESULT returned = E_UNEXPECTED;

    explicit EnvironmentRequest(const LoadedStandin& standin)
    {
        returned = standin.createEnvironmentWithOptions(nullptr, nullptr, nullptr, handler.get());
    }
};

struct ControllerRequest {
    std::shared_ptr<Outcome<ICoreWebView2Controller>> outcome = NewOutcome<ICoreWebView2Controller>();
    ComRef<ControllerHandler> handler = RecordController(outcome);
    HRESULT returned = E_UNEXPECTED;

    ControllerRequest(ICoreWebView2Environment* environment, HWND parent)
    {
        returned = environment->CreateCoreWebView2Controller(parent, handler.get());
    }
};

// A request without failures, pumped to delivery: completions are posted in
// order, so anything the earlier requests had queued without delay came first.
void PumpPastEarlierCompletions(const LoadedStandin& standin)
{
    ScopedEnvironment noFailures(L"TAVLIO_STANDIN_FAIL", L"");
    EnvironmentRequest sentinel(standin);
    REQUIRE(sentinel.returned == S_OK);
    REQUIRE(PumpUntil([&] { return sentinel.outcome->calls > 0; }));
}

} // namespace

TEST_CASE("environment failures at the request return at once and reach only the panes named")
{
    TracedTest test(L"fail-env-return");
    LoadedStandin standin;
    ComApartment com;
    ScopedEnvironment fail(L"TAVLIO_STANDIN_FAIL", L"env-return-fail@0, env-return-noruntime@1,env-return-fail@3");
    EnvironmentRequest pane0(standin);
    EnvironmentRequest pane1(standin);
    EnvironmentRequest pane2(standin);
    EnvironmentRequest pane3(standin);
    REQUIRE(PumpUntil([&] { return pane2.outcome->calls > 0; }));
    PumpPastEarlierCompletions(standin);

    CHECK(pane0.returned == E_FAIL);
    CHECK(pane1.returned == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    CHECK(pane2.returned == S_OK);
    CHECK(pane3.returned == E_FAIL);
    for (const EnvironmentRequest* failed : {&pane0, &pane1, &pane3}) {
        CHECK(failed->outcome->calls == 0);
        CHECK(RefCount(failed->handler.get()) == 1);
    }
    CHECK(pane2.outcome->error == S_OK);
    CHECK(pane2.outcome->object);

    ScopedEnvironment everyPane(L"TAVLIO_STANDIN_FAIL", L"env-return-noruntime@*");
    CHECK(EnvironmentRequest(standin).returned == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    CHECK(EnvironmentRequest(standin).returned == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
}

TEST_CASE("environment handler failures deliver the error and no environment")
{
    TracedTest test(L"fail-env-handler");
    LoadedStandin standin;
    ComApartment com;
    ScopedEnvironment fail(L"TAVLIO_STANDIN_FAIL", L"env-handler-fail@0,env-handler-noruntime@1");
    EnvironmentRequest pane0(standin);
    EnvironmentRequest pane1(standin);
    CHECK(pane0.returned == S_OK);
    CHECK(pane1.returned == S_OK);
    REQUIRE(PumpUntil([&] { return pane0.outcome->calls && pane1.outcome->calls; }));

    CHECK(pane0.outcome->error == E_FAIL);
    CHECK_FALSE(pane0.outcome->object);
    CHECK(pane1.outcome->error == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    CHECK_FALSE(pane1.outcome->object);
    CHECK(RefCount(pane0.handler.get()) == 1);
    const auto invoked = LinesNamed(test.Lines(), "Invoke.EnvironmentCompleted", 1);
    REQUIRE(invoked.size() == 1);
    CHECK(invoked[0].args == std::vector<std::string>{"0x80070002", "null"});
}

TEST_CASE("env-silent never calls its handler and env-late calls it after the late time")
{
    TracedTest test(L"fail-env-held");
    LoadedStandin standin;
    ComApartment com;
    std::optional<EnvironmentRequest> silent;
    std::optional<EnvironmentRequest> lateByAMinute;
    {
        ScopedEnvironment fail(L"TAVLIO_STANDIN_FAIL", L"env-silent@0,env-late@1");
        ScopedEnvironment late(L"TAVLIO_STANDIN_LATE_MS", L"60000");
        silent.emplace(standin);
        lateByAMinute.emplace(standin);
    }
    CHECK(silent->returned == S_OK);
    CHECK(lateByAMinute->returned == S_OK);
    PumpPastEarlierCompletions(standin);
    CHECK(silent->outcome->calls == 0);
    CHECK(lateByAMinute->outcome->calls == 0);
    CHECK(RefCount(silent->handler.get()) == 2); // kept until unload
    CHECK(RefCount(lateByAMinute->handler.get()) == 2);

    ScopedEnvironment fail(L"TAVLIO_STANDIN_FAIL", L"env-late@*");
    ScopedEnvironment late(L"TAVLIO_STANDIN_LATE_MS", L"30");
    EnvironmentRequest lateBriefly(standin);
    REQUIRE(PumpUntil([&] { return lateBriefly.outcome->calls > 0; }));
    CHECK(lateBriefly.outcome->error == S_OK); // late, but a success
    CHECK(lateBriefly.outcome->object);
}

TEST_CASE("controller failures at the request: return-fail makes no window and silent or late ones keep it")
{
    TracedTest test(L"fail-controller-held");
    LoadedStandin standin;
    ComApartment com;
    ScopedEnvironment fail(L"TAVLIO_STANDIN_FAIL", L"controller-return-fail@0,controller-silent@1,controller-late@2");
    ScopedEnvironment late(L"TAVLIO_STANDIN_LATE_MS", L"60000");
    TestWindow parent0;
    TestWindow parent1;
    TestWindow parent2;
    ControllerRequest returnFail(CreateEnvironment(standin).get(), parent0.Handle());
    ControllerRequest silent(CreateEnvironment(standin).get(), parent1.Handle());
    ControllerRequest lateByAMinute(CreateEnvironment(standin).get(), parent2.Handle());
    PumpPastEarlierCompletions(standin);

    CHECK(returnFail.returned == E_FAIL);
    CHECK(parent0.Children().empty());
    CHECK(RefCount(returnFail.handler.get()) == 1);
    CHECK(silent.returned == S_OK);
    CHECK(lateByAMinute.returned == S_OK);
    // The real engine adds its window before it returns, whatever follows.
    CHECK(parent1.Children().size() == 1);
    CHECK(parent2.Children().size() == 1);
    CHECK(silent.outcome->calls + lateByAMinute.outcome->calls == 0);
    CHECK(RefCount(silent.handler.get()) == 2);
    CHECK(RefCount(lateByAMinute.handler.get()) == 2);
}

TEST_CASE("controller failures in the handler deliver no controller and remove the window")
{
    TracedTest test(L"fail-controller-handler");
    LoadedStandin standin;
    ComApartment com;
    ScopedEnvironment fail(L"TAVLIO_STANDIN_FAIL", L"controller-handler-fail@0,controller-null@1,controller-late@2");
    ScopedEnvironment late(L"TAVLIO_STANDIN_LATE_MS", L"30");
    TestWindow parent0;
    TestWindow parent1;
    TestWindow parent2;
    ControllerRequest handlerFail(CreateEnvironment(standin).get(), parent0.Handle());
    ControllerRequest null(CreateEnvironment(standin).get(), parent1.Handle());
    ControllerRequest lateBriefly(CreateEnvironment(standin).get(), parent2.Handle());
    REQUIRE(PumpUntil([&] { return handlerFail.outcome->calls && null.outcome->calls && lateBriefly.outcome->calls; }));

    CHECK(handlerFail.returned == S_OK);
    CHECK(handlerFail.outcome->error == E_FAIL);
    CHECK_FALSE(handlerFail.outcome->object);
    CHECK(parent0.Children().empty());
    CHECK(null.returned == S_OK);
    CHECK(null.outcome->error == S_OK);
    CHECK_FALSE(null.outcome->object);
    CHECK(parent1.Children().empty());
    CHECK(lateBriefly.outcome->error == S_OK);
    CHECK(lateBriefly.outcome->object);
    CHECK(parent2.Children().size() == 1);
    CHECK(RefCount(handlerFail.handler.get()) == 1);
}

TEST_CASE("no-webview and no-settings answer S_OK with nothing")
{
    TracedTest test(L"fail-missing-objects");
    LoadedStandin standin;
    ComApartment com;
    ScopedEnvironment fail(L"TAVLIO_STANDIN_FAIL", L"no-webview@0,no-settings@1");
    TestWindow parent;

    ComRef<ICoreWebView2Controller> withoutWebView = CreateController(CreateEnvironment(standin).get(), parent.Handle());
    ComRef<ICoreWebView2> webView;
    CHECK(withoutWebView->get_CoreWebView2(webView.put()) == S_OK);
    CHECK_FALSE(webView);

    ComRef<ICoreWebView2Controller> withoutSettings = CreateController(CreateEnvironment(standin).get(), parent.Handle());
    REQUIRE(withoutSettings->get_CoreWebView2(webView.put()) == S_OK);
    REQUIRE(webView);
    ComRef<ICoreWebView2Settings> settings;
    CHECK(webView->get_Settings(settings.put()) == S_OK);
    CHECK_FALSE(settings);

    const auto lines = test.Lines();
    CHECK(LinesNamed(lines, "Controller.get_CoreWebView2", 0).at(0).args.at(0) == "null");
    CHECK(LinesNamed(lines, "WebView.get_Settings", 1).at(0).args.at(0) == "null");
}

TEST_CASE("steering entries that cannot be understood are traced and the rest still apply")
{
    TracedTest test(L"fail-rejected");
    LoadedStandin standin;
    ComApartment com;
    ScopedEnvironment fail(L"TAVLIO_STANDIN_FAIL", L"env-return-fail@x,bogus@1,env-return-fail,env-return-fail@*");
    ScopedEnvironment delay(L"TAVLIO_STANDIN_DELAY_MS", L"soon");
    CHECK(EnvironmentRequest(standin).returned == E_FAIL);

    std::vector<std::string> rejected;
    for (const TraceLine& line : LinesNamed(test.Lines(), "Config.Rejected", 0)) {
        rejected.push_back(line.Arg(0));
    }
    CHECK(rejected == std::vector<std::string>{"TAVLIO_STANDIN_DELAY_MS=soon", "TAVLIO_STANDIN_FAIL=env-return-fail@x",
                                               "TAVLIO_STANDIN_FAIL=bogus@1", "TAVLIO_STANDIN_FAIL=env-return-fail"});
}
