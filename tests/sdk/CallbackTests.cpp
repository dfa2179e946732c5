#include "Callback.h"
#include "WebView2Api.h"

#include <doctest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using DevToolsHandler = ICoreWebView2CallDevToolsProtocolMethodCompletedHandler;

// Counts how many copies of a lambda's captures are alive.
struct Witness {
    explicit Witness(int* alive) : alive(alive) { ++*alive; }
    Witness(const Witness& other) : alive(other.alive) { ++*alive; }
    ~Witness() { --*alive; }
    int* alive;
};

} // namespace

TEST_CASE("a handler starts with one reference and is deleted when the last one goes")
{
    int alive = 0;
    auto handler = MakeHandler<DevToolsHandler>(
        [witness = Witness(&alive)](HRESULT, LPCWSTR) -> HRESULT { return S_OK; });
    REQUIRE(handler);
    CHECK(alive == 1);

    // The engine takes its own reference; the maker drops its reference at once.
    DevToolsHandler* engineReference = handler.get();
    CHECK(engineReference->AddRef() == 2);
    handler.reset();
    CHECK(alive == 1);
    CHECK(engineReference->Invoke(S_OK, L"{}") == S_OK);
    CHECK(engineReference->Release() == 0);
    CHECK(alive == 0);
}

TEST_CASE("a handler answers IUnknown and its own interface only")
{
    auto handler = MakeHandler<DevToolsHandler>([](HRESULT, LPCWSTR) -> HRESULT { return S_OK; });

    void* unknown = nullptr;
    REQUIRE(handler->QueryInterface(__uuidof(IUnknown), &unknown) == S_OK);
    void* itself = nullptr;
    REQUIRE(handler->QueryInterface(__uuidof(DevToolsHandler), &itself) == S_OK);
    CHECK(unknown == static_cast<void*>(handler.get()));
    CHECK(itself == static_cast<void*>(handler.get()));

    void* other = reinterpret_cast<void*>(0x1);
    CHECK(handler->QueryInterface(__uuidof(ICoreWebView2ExecuteScriptCompletedHandler), &other) == E_NOINTERFACE);
    CHECK(other == nullptr);
    CHECK(handler->QueryInterface(__uuidof(IClassFactory), &other) == E_NOINTERFACE);
    CHECK(other == nullptr);

    // The two successful queries each added a reference.
    CHECK(handler->AddRef() == 4);
    CHECK(handler->Release() == 3);
    static_cast<IUnknown*>(unknown)->Release();
    static_cast<IUnknown*>(itself)->Release();
    CHECK(handler->AddRef() == 2);
    handler->Release();
}

TEST_CASE("Invoke hands its arguments to the lambda and returns its result")
{
    HRESULT seenCode = S_OK;
    std::wstring seenText;
    auto handler = MakeHandler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
        [&](HRESULT code, ICoreWebView2Controller* controller) -> HRESULT {
            seenCode = code;
            seenText = controller ? L"controller" : L"none";
            return E_ABORT;
        });
    CHECK(handler->Invoke(E_FAIL, nullptr) == E_ABORT);
    CHECK(seenCode == E_FAIL);
    CHECK(seenText == L"none");

    auto scriptHandler = MakeHandler<ICoreWebView2ExecuteScriptCompletedHandler>(
        [&](HRESULT code, LPCWSTR result) -> HRESULT {
            seenCode = code;
            seenText = result;
            return S_OK;
        });
    CHECK(scriptHandler->Invoke(S_OK, L"\"null\"") == S_OK);
    CHECK(seenText == L"\"null\"");
}

TEST_CASE("counts stay exact when many threads add and release references at once")
{
    int alive = 0;
    auto handler = MakeHandler<DevToolsHandler>(
        [witness = Witness(&alive)](HRESULT, LPCWSTR) -> HRESULT { return S_OK; });
    DevToolsHandler* shared = handler.get();

    constexpr int kThreads = 8;
    constexpr int kRounds = 20000;
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([shared] {
            for (int round = 0; round < kRounds; ++round) {
                shared->AddRef();
                shared->Release();
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    CHECK(shared->AddRef() == 2);
    shared->Release();
    handler.reset();
    CHECK(alive == 0);
}
