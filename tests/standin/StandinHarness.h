// What the stand-in's tests share: the DLL loaded at run time exactly as
// Tavlio loads it, a top-level window to parent panes, a message pump that
// receives completions, and handlers that record how they were called.
#pragma once

#include "Callback.h"
#include "ComRef.h"
#include "MessageBoxWatcher.h" // PumpMessagesFor
#include "TraceReader.h"
#include "WebView2Api.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// WebView2Loader.dll from the executable's folder, by LoadLibraryW and
// GetProcAddress; never through an import library.
class LoadedStandin {
public:
    LoadedStandin();
    ~LoadedStandin();
    LoadedStandin(const LoadedStandin&) = delete;
    LoadedStandin& operator=(const LoadedStandin&) = delete;

    HMODULE Module() const { return module; }
    // FreeLibrary; true when the DLL is then gone from the process.
    bool Unload();

    decltype(&::CreateCoreWebView2EnvironmentWithOptions) createEnvironmentWithOptions = nullptr;
    decltype(&::CreateCoreWebView2Environment) createEnvironment = nullptr;
    decltype(&::GetAvailableCoreWebView2BrowserVersionString) getVersion = nullptr;
    decltype(&::CompareBrowserVersions) compareVersions = nullptr;

private:
    HMODULE module = nullptr;
};

// COM on this thread for the life of the object.
class ComApartment {
public:
    explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED) { result = CoInitializeEx(nullptr, model); }
    ~ComApartment()
    {
        if (SUCCEEDED(result)) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    HRESULT result;
};

// A visible top-level window whose client area is width x height, painted
// white, to parent panes.
class TestWindow {
public:
    explicit TestWindow(int width = 800, int height = 600);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND Handle() const { return window; }
    void Destroy();
    std::vector<HWND> Children() const;

private:
    HWND window = nullptr;
};

// The trace of one test in a fresh file, with every other steering variable
// cleared, restored afterwards.
class TracedTest {
public:
    explicit TracedTest(const std::wstring& name);

    std::vector<TraceLine> Lines() const { return ReadTrace(path); }
    // The file's lines as written, for format checks.
    std::vector<std::string> RawLines() const;
    const std::wstring& Path() const { return path; }

private:
    std::wstring path;
    ScopedEnvironment trace;
    ScopedEnvironment delay;
    ScopedEnvironment late;
    ScopedEnvironment fail;
};

// Dispatches this thread's messages until done() holds, or gives up after
// limitMs (a safety net against a hang, not a measurement). Returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD limitMs = 10000);
// Dispatches only what is already queued; timers not yet due stay pending.
void DrainMessages();

// The current reference count, read through AddRef and Release.
ULONG RefCount(IUnknown* object);

// How a completion handler was called.
template <typename T>
struct Outcome {
    int calls = 0;
    HRESULT error = E_UNEXPECTED;
    ComRef<T> object;           // for object results, kept past the call
    std::wstring text;          // for string results, copied during the call
    bool textWasNull = false;
    DWORD thread = 0;
};

using EnvironmentHandler = ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler;
using ControllerHandler = ICoreWebView2CreateCoreWebView2ControllerCompletedHandler;

// Handlers that record their call in a shared outcome, so the record survives
// a handler that runs after the request's scope has ended.
ComRef<EnvironmentHandler> RecordEnvironment(const std::shared_ptr<Outcome<ICoreWebView2Environment>>& outcome);
ComRef<ControllerHandler> RecordController(const std::shared_ptr<Outcome<ICoreWebView2Controller>>& outcome);
template <typename Handler>
ComRef<Handler> RecordText(const std::shared_ptr<Outcome<IUnknown>>& outcome)
{
    return MakeHandler<Handler>([outcome](HRESULT error, LPCWSTR text) {
        ++outcome->calls;
        outcome->error = error;
        outcome->textWasNull = text == nullptr;
        outcome->text = text ? text : L"";
        outcome->thread = GetCurrentThreadId();
        return S_OK;
    });
}

template <typename T>
std::shared_ptr<Outcome<T>> NewOutcome()
{
    return std::make_shared<Outcome<T>>();
}

// One pane made as Tavlio makes it, every step required to succeed.
struct PaneObjects {
    ComRef<ICoreWebView2Environment> environment;
    ComRef<ICoreWebView2Controller> controller;
    ComRef<ICoreWebView2> webView;
    ComRef<ICoreWebView2Settings> settings;
};

ComRef<ICoreWebView2Environment> CreateEnvironment(const LoadedStandin& standin);
ComRef<ICoreWebView2Controller> CreateController(ICoreWebView2Environment* environment, HWND parent);
PaneObjects CreatePane(const LoadedStandin& standin, HWND parent);

// The pane window of a controller: the child it added to its parent.
HWND PaneWindowOf(const TestWindow& parent);
std::wstring WindowText(HWND window);
