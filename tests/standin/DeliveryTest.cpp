// Completions arrive as the real engine delivers them: never inside the
// request, later, on the requesting thread, and only when that thread pumps.
#include "StandinHarness.h"

#include <doctest.h>

#include <thread>

namespace {

// Runs `body` on a new thread and waits for it.
template <typename F>
void OnOwnThread(F&& body)
{
    std::thread thread(std::forward<F>(body));
    thread.join();
}

} // namespace

TEST_CASE("the environment handler runs after the request returns and on the requesting thread")
{
    TracedTest test(L"delivery-environment");
    LoadedStandin standin;
    ComApartment com;
    auto outcome = NewOutcome<ICoreWebView2Environment>();
    ComRef<EnvironmentHandler> handler = RecordEnvironment(outcome);

    REQUIRE(standin.createEnvironmentWithOptions(nullptr, nullptr, nullptr, handler.get()) == S_OK);
    CHECK(outcome->calls == 0);
    CHECK(RefCount(handler.get()) == 2); // the engine holds it until it has called it

    REQUIRE(PumpUntil([&] { return outcome->calls > 0; }));
    CHECK(outcome->calls == 1);
    CHECK(outcome->error == S_OK);
    CHECK(outcome->object);
    CHECK(outcome->thread == GetCurrentThreadId());
    CHECK(RefCount(handler.get()) == 1);

    const auto lines = test.Lines();
    REQUIRE(lines.size() >= 3);
    CHECK(lines[0].name == "Loader.CreateCoreWebView2EnvironmentWithOptions");
    CHECK(lines[1].name == "Invoke.EnvironmentCompleted");
    CHECK(lines[2].name == "Returned.EnvironmentCompleted");
}

TEST_CASE("a thread that does not pump never sees its completion")
{
    TracedTest test(L"delivery-nopump");
    LoadedStandin standin;
    auto outcome = NewOutcome<ICoreWebView2Environment>();
    const HANDLE requested = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const HANDLE mayPump = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD requester = 0;
    HRESULT returned = E_UNEXPECTED;
    bool deliveredWhenPumping = false;

    std::thread worker([&] {
        ComApartment com;
        requester = GetCurrentThreadId();
        returned = standin.createEnvironmentWithOptions(nullptr, nullptr, nullptr, RecordEnvironment(outcome).get());
        SetEvent(requested);
        WaitForSingleObject(mayPump, INFINITE); // waits without pumping
        deliveredWhenPumping = PumpUntil([&] { return outcome->calls > 0; });
        outcome->object.reset(); // released on its own thread
    });
    WaitForSingleObject(requested, INFINITE);
    PumpMessagesFor(200); // this thread's pumping must not deliver it
    CHECK(outcome->calls == 0);
    SetEvent(mayPump);
    worker.join();
    CloseHandle(requested);
    CloseHandle(mayPump);

    CHECK(returned == S_OK);
    CHECK(deliveredWhenPumping);
    CHECK(outcome->calls == 1);
    CHECK(outcome->thread == requester);
}

TEST_CASE("controller and script completions arrive later and in request order")
{
    TracedTest test(L"delivery-order");
    LoadedStandin standin;
    ComApartment com;
    TestWindow parent;
    ComRef<ICoreWebView2Environment> environment = CreateEnvironment(standin);

    auto created = NewOutcome<ICoreWebView2Controller>();
    REQUIRE(environment->CreateCoreWebView2Controller(parent.Handle(), RecordController(created).get()) == S_OK);
    CHECK(created->calls == 0);
    REQUIRE(PumpUntil([&] { return created->calls > 0; }));
    CHECK(created->thread == GetCurrentThreadId());
    ComRef<ICoreWebView2> webView;
    REQUIRE(created->object->get_CoreWebView2(webView.put()) == S_OK);

    auto added = NewOutcome<IUnknown>();
    auto executed = NewOutcome<IUnknown>();
    auto devTools = NewOutcome<IUnknown>();
    ComRef<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler> addHandler =
        RecordText<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler>(added);
    REQUIRE(webView->AddScriptToExecuteOnDocumentCreated(L"window.a = 1;", addHandler.get()) == S_OK);
    REQUIRE(webView->ExecuteScript(L"1 + 1", RecordText<ICoreWebView2ExecuteScriptCompletedHandler>(executed).get()) == S_OK);
    REQUIRE(webView->CallDevToolsProtocolMethod(L"Runtime.enable", L"{}",
                                                RecordText<ICoreWebView2CallDevToolsProtocolMethodCompletedHandler>(devTools).get()) == S_OK);
    CHECK(added->calls + executed->calls + devTools->calls == 0);
    CHECK(RefCount(addHandler.get()) == 2);

    REQUIRE(PumpUntil([&] { return added->calls && executed->calls && devTools->calls; }));
    CHECK(RefCount(addHandler.get()) == 1);
    CHECK(added->error == S_OK);
    CHECK_FALSE(added->text.empty()); // the id RemoveScript... would take
    CHECK(executed->text == L"null");  // what an undefined result gives
    CHECK(devTools->text == L"{}");
    CHECK(executed->thread == GetCurrentThreadId());

    const auto lines = test.Lines();
    std::vector<std::string> invoked;
    for (const TraceLine& line : lines) {
        if (line.name.rfind("Invoke.", 0) == 0) {
            invoked.push_back(line.name);
        }
    }
    CHECK(invoked == std::vector<std::string>{"Invoke.EnvironmentCompleted", "Invoke.ControllerCompleted", "Invoke.AddScriptCompleted",
                                              "Invoke.ExecuteScriptCompleted", "Invoke.DevToolsCompleted"});
}

TEST_CASE("the environment request fails at once outside a single-threaded apartment")
{
    TracedTest test(L"delivery-apartment");
    LoadedStandin standin;
    auto outcome = NewOutcome<ICoreWebView2Environment>();
    ComRef<EnvironmentHandler> handler = RecordEnvironment(outcome);
    HRESULT withoutCom = S_OK;
    HRESULT inMta = S_OK;
    HRESULT besideMta = S_OK;

    OnOwnThread([&] {
        withoutCom = standin.createEnvironmentWithOptions(nullptr, nullptr, nullptr, handler.get());
        PumpMessagesFor(50);
    });
    OnOwnThread([&] {
        ComApartment com(COINIT_MULTITHREADED);
        inMta = standin.createEnvironmentWithOptions(nullptr, nullptr, nullptr, handler.get());
        PumpMessagesFor(50);
    });
    // While an MTA exists, a thread that never joined COM is implicitly in
    // it; it has still not initialised COM.
    const HANDLE mtaReady = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread mta([&] {
        ComApartment com(COINIT_MULTITHREADED);
        SetEvent(mtaReady);
        WaitForSingleObject(done, INFINITE);
    });
    WaitForSingleObject(mtaReady, INFINITE);
    OnOwnThread([&] { besideMta = standin.createEnvironmentWithOptions(nullptr, nullptr, nullptr, handler.get()); });
    SetEvent(done);
    mta.join();
    CloseHandle(mtaReady);
    CloseHandle(done);

    CHECK(withoutCom == CO_E_NOTINITIALIZED);
    CHECK(inMta == RPC_E_CHANGED_MODE);
    CHECK(besideMta == CO_E_NOTINITIALIZED);
    CHECK(outcome->calls == 0);
    CHECK(RefCount(handler.get()) == 1); // a refused request keeps nothing
    const auto requests = LinesNamed(test.Lines(), "Loader.CreateCoreWebView2EnvironmentWithOptions");
    REQUIRE(requests.size() == 3);
    CHECK(requests[0].args.back() == "hr=0x800401F0");
    CHECK(requests[1].args.back() == "hr=0x80010106");
}

TEST_CASE("null handlers are accepted for scripts and DevTools calls")
{
    TracedTest test(L"delivery-nullhandlers");
    LoadedStandin standin;
    ComApartment com;
    TestWindow parent;
    PaneObjects pane = CreatePane(standin, parent.Handle());

    CHECK(pane.webView->AddScriptToExecuteOnDocumentCreated(L"a()", nullptr) == S_OK);
    CHECK(pane.webView->ExecuteScript(L"b()", nullptr) == S_OK);
    CHECK(pane.webView->CallDevToolsProtocolMethod(L"Page.enable", L"{}", nullptr) == S_OK);
    // Requests that need a handler refuse a null one instead of crashing.
    CHECK(standin.createEnvironmentWithOptions(nullptr, nullptr, nullptr, nullptr) == E_POINTER);
    CHECK(pane.environment->CreateCoreWebView2Controller(parent.Handle(), nullptr) == E_POINTER);
    PumpMessagesFor(50);

    const auto lines = test.Lines();
    CHECK(CountNamed(lines, "Invoke.AddScriptCompleted") == 0);
    CHECK(CountNamed(lines, "Invoke.ExecuteScriptCompleted") == 0);
    CHECK(CountNamed(lines, "Invoke.DevToolsCompleted") == 0);
    const auto script = LinesNamed(lines, "WebView.ExecuteScript");
    REQUIRE(script.size() == 1);
    CHECK(script[0].args == std::vector<std::string>{"\"b()\"", "null", "hr=0x00000000"});
}

TEST_CASE("the completion delay is read at each environment request")
{
    TracedTest test(L"delivery-delay");
    LoadedStandin standin;
    ComApartment com;
    auto slow = NewOutcome<ICoreWebView2Environment>();
    auto quick = NewOutcome<ICoreWebView2Environment>();
    {
        ScopedEnvironment delay(L"TAVLIO_STANDIN_DELAY_MS", L"60000");
        REQUIRE(standin.createEnvironmentWithOptions(nullptr, nullptr, nullptr, RecordEnvironment(slow).get()) == S_OK);
    }
    {
        ScopedEnvironment delay(L"TAVLIO_STANDIN_DELAY_MS", L"20");
        REQUIRE(standin.createEnvironmentWithOptions(nullptr, nullptr, nullptr, RecordEnvironment(quick).get()) == S_OK);
    }
    REQUIRE(PumpUntil([&] { return quick->calls > 0; }));
    CHECK(slow->calls == 0); // its minute is not over
}
