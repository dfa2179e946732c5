#include "StandinHarness.h"

#include <doctest.h>

namespace {

constexpr wchar_t kTestWindowClass[] = L"TavlioStandinTestWindow";

std::wstring ExecutableFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

template <typename F>
F ExportOf(HMODULE module, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace

LoadedStandin::LoadedStandin()
{
    module = LoadLibraryW((ExecutableFolder() + L"WebView2Loader.dll").c_str());
    REQUIRE(module != nullptr);
    createEnvironmentWithOptions = ExportOf<decltype(createEnvironmentWithOptions)>(module, "CreateCoreWebView2EnvironmentWithOptions");
    createEnvironment = ExportOf<decltype(createEnvironment)>(module, "CreateCoreWebView2Environment");
    getVersion = ExportOf<decltype(getVersion)>(module, "GetAvailableCoreWebView2BrowserVersionString");
    compareVersions = ExportOf<decltype(compareVersions)>(module, "CompareBrowserVersions");
    REQUIRE(static_cast<bool>(createEnvironmentWithOptions));
    REQUIRE(static_cast<bool>(createEnvironment));
    REQUIRE(static_cast<bool>(getVersion));
    REQUIRE(static_cast<bool>(compareVersions));
}

LoadedStandin::~LoadedStandin()
{
    if (module) {
        FreeLibrary(module);
    }
}

bool LoadedStandin::Unload()
{
    FreeLibrary(module);
    module = nullptr;
    return GetModuleHandleW(L"WebView2Loader.dll") == nullptr;
}

TestWindow::TestWindow(int width, int height)
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kTestWindowClass;
    RegisterClassExW(&windowClass); // a second registration fails harmlessly
    RECT frame = {0, 0, width, height};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    window = CreateWindowExW(0, kTestWindowClass, L"stand-in test", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                             frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    REQUIRE(window != nullptr);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
}

TestWindow::~TestWindow()
{
    Destroy();
}

void TestWindow::Destroy()
{
    if (window) {
        DestroyWindow(window);
        window = nullptr;
    }
}

std::vector<HWND> TestWindow::Children() const
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

TracedTest::TracedTest(const std::wstring& name)
    : path(FreshTracePath(name)),
      trace(L"TAVLIO_STANDIN_TRACE", path),
      delay(L"TAVLIO_STANDIN_DELAY_MS", L""),
      late(L"TAVLIO_STANDIN_LATE_MS", L""),
      fail(L"TAVLIO_STANDIN_FAIL", L"")
{
}

std::vector<std::string> TracedTest::RawLines() const
{
    std::vector<std::string> lines;
    for (const TraceLine& line : ReadTrace(path)) {
        lines.push_back(line.raw);
    }
    return lines;
}

bool PumpUntil(const std::function<bool()>& done, DWORD limitMs)
{
    const ULONGLONG end = GetTickCount64() + limitMs;
    while (!done()) {
        MSG message;
        while (!done() && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        const ULONGLONG now = GetTickCount64();
        if (done() || now >= end) {
            break;
        }
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    return done();
}

void DrainMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

ULONG RefCount(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

ComRef<EnvironmentHandler> RecordEnvironment(const std::shared_ptr<Outcome<ICoreWebView2Environment>>& outcome)
{
    return MakeHandler<EnvironmentHandler>([outcome](HRESULT error, ICoreWebView2Environment* environment) {
        ++outcome->calls;
        outcome->error = error;
        outcome->object = environment;
        outcome->thread = GetCurrentThreadId();
        return S_OK;
    });
}

ComRef<ControllerHandler> RecordController(const std::shared_ptr<Outcome<ICoreWebView2Controller>>& outcome)
{
    return MakeHandler<ControllerHandler>([outcome](HRESULT error, ICoreWebView2Controller* controller) {
        ++outcome->calls;
        outcome->error = error;
        outcome->object = controller;
        outcome->thread = GetCurrentThreadId();
        return S_OK;
    });
}

ComRef<ICoreWebView2Environment> CreateEnvironment(const LoadedStandin& standin)
{
    auto outcome = NewOutcome<ICoreWebView2Environment>();
    REQUIRE(standin.createEnvironmentWithOptions(nullptr, nullptr, nullptr, RecordEnvironment(outcome).get()) == S_OK);
    REQUIRE(PumpUntil([&] { return outcome->calls > 0; }));
    REQUIRE(outcome->error == S_OK);
    REQUIRE(outcome->object);
    return outcome->object;
}

ComRef<ICoreWebView2Controller> CreateController(ICoreWebView2Environment* environment, HWND parent)
{
    auto outcome = NewOutcome<ICoreWebView2Controller>();
    REQUIRE(environment->CreateCoreWebView2Controller(parent, RecordController(outcome).get()) == S_OK);
    REQUIRE(PumpUntil([&] { return outcome->calls > 0; }));
    REQUIRE(outcome->error == S_OK);
    REQUIRE(outcome->object);
    return outcome->object;
}

PaneObjects CreatePane(const LoadedStandin& standin, HWND parent)
{
    PaneObjects pane;
    pane.environment = CreateEnvironment(standin);
    pane.controller = CreateController(pane.environment.get(), parent);
    REQUIRE(pane.controller->get_CoreWebView2(pane.webView.put()) == S_OK);
    REQUIRE(pane.webView);
    REQUIRE(pane.webView->get_Settings(pane.settings.put()) == S_OK);
    REQUIRE(pane.settings);
    return pane;
}

HWND PaneWindowOf(const TestWindow& parent)
{
    const std::vector<HWND> children = parent.Children();
    REQUIRE(children.size() == 1);
    return children.front();
}

std::wstring WindowText(HWND window)
{
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, static_cast<int>(std::size(text)));
    return text;
}
