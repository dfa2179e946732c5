// The loader's four exports, under their real undecorated names (see
// WebView2Loader.def), and the DLL's life: start, thread end, unload.
#include "Completions.h"
#include "Config.h"
#include "Environment.h"
#include "Pane.h"
#include "Trace.h"

#include <string>

using namespace standin;

namespace {

// A version "a.b.c.d", optionally followed by a space and a channel name.
bool ParseVersion(const wchar_t* text, unsigned long long (&parts)[4])
{
    size_t count = 0;
    const wchar_t* at = text;
    while (count < 4) {
        if (*at < L'0' || *at > L'9') {
            return false;
        }
        unsigned long long value = 0;
        while (*at >= L'0' && *at <= L'9') {
            value = value * 10 + static_cast<unsigned>(*at - L'0');
            if (value > 0xFFFFFFFFull) {
                return false;
            }
            ++at;
        }
        parts[count++] = value;
        if (*at != L'.') {
            break;
        }
        ++at;
    }
    while (count < 4) {
        parts[count++] = 0;
    }
    return *at == L'\0' || *at == L' ';
}

HRESULT CompareVersions(const wchar_t* first, const wchar_t* second, int* result)
{
    if (!result) {
        return E_POINTER;
    }
    unsigned long long a[4];
    unsigned long long b[4];
    if (!first || !second || !ParseVersion(first, a) || !ParseVersion(second, b)) {
        return E_INVALIDARG;
    }
    *result = 0;
    for (int i = 0; i < 4 && *result == 0; ++i) {
        *result = a[i] < b[i] ? -1 : (a[i] > b[i] ? 1 : 0);
    }
    return S_OK;
}

// Objects still alive and completions never delivered, so that a leak or a
// double release shows in the trace.
void TraceUnload(bool processEnding)
{
    auto count = [](const char* label, long value) { return std::string(label) + "=" + std::to_string(value); };
    TraceRecord record(kNoPane, "Unload");
    record.Word(count("Environment", LiveObjects(ObjectKind::Environment)))
        .Word(count("Controller", LiveObjects(ObjectKind::Controller)))
        .Word(count("WebView", LiveObjects(ObjectKind::WebView)))
        .Word(count("Settings", LiveObjects(ObjectKind::Settings)))
        .Word(count("PendingCompletions", PendingCompletions()));
    if (processEnding) {
        record.WriteAtExit();
    } else {
        record.Write();
    }
}

} // namespace

extern "C" HRESULT STDAPICALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder, ICoreWebView2EnvironmentOptions* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler)
{
    return RequestEnvironment(true, browserExecutableFolder, userDataFolder, environmentOptions, environmentCreatedHandler);
}

extern "C" HRESULT STDAPICALLTYPE CreateCoreWebView2Environment(
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler)
{
    return RequestEnvironment(false, nullptr, nullptr, nullptr, environmentCreatedHandler);
}

extern "C" HRESULT STDAPICALLTYPE GetAvailableCoreWebView2BrowserVersionString(PCWSTR browserExecutableFolder, LPWSTR* versionInfo)
{
    HRESULT hr = E_POINTER;
    if (versionInfo) {
        *versionInfo = nullptr;
        // The runtime counts as missing for the pane the next request would make.
        if (Config::Read()->Fails(Failure::VersionNoRuntime, NextPaneOrdinal())) {
            hr = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        } else {
            hr = CopyToTaskMemory(kRuntimeVersion, versionInfo);
        }
    }
    TraceRecord(kNoPane, "Loader.GetAvailableCoreWebView2BrowserVersionString")
        .String(browserExecutableFolder)
        .String(versionInfo ? *versionInfo : nullptr)
        .Result(hr)
        .Write();
    return hr;
}

extern "C" HRESULT STDAPICALLTYPE CompareBrowserVersions(PCWSTR version1, PCWSTR version2, int* result)
{
    const HRESULT hr = CompareVersions(version1, version2, result);
    TraceRecord record(kNoPane, "Loader.CompareBrowserVersions");
    record.String(version1).String(version2);
    if (SUCCEEDED(hr)) {
        record.Word(std::to_string(*result));
    } else {
        record.Word("null");
    }
    record.Result(hr).Write();
    return hr;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        StartTraceClock();
        // Without its window classes the stand-in still loads; its requests
        // then fail (controllers) or never complete (completions).
        RegisterPostOfficeClass(instance);
        RegisterPaneWindowClass(instance);
        break;
    case DLL_THREAD_DETACH:
        ForgetCurrentThread();
        break;
    case DLL_PROCESS_DETACH:
        // reserved is non-null when the whole process is ending: its other
        // threads are gone and the program has torn down, so only report.
        TraceUnload(reserved != nullptr);
        if (!reserved) {
            ShutDownCompletions();
            ShutDownPaneWindows();
            CloseTraceFile();
        }
        break;
    default:
        break;
    }
    return TRUE;
}
