#include "EngineLoader.h"

#include <string>

namespace {

constexpr wchar_t kLoaderName[] = L"WebView2Loader.dll";

std::wstring ExecutableFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

CreateEnvironmentFunction Load()
{
    const std::wstring folder = ExecutableFolder();
    // Only the copy beside the executable: never one found on the search path.
    if (folder.empty()) {
        return nullptr;
    }
    HMODULE loader = LoadLibraryExW((folder + kLoaderName).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!loader) {
        return nullptr;
    }
    FARPROC found = GetProcAddress(loader, "CreateCoreWebView2EnvironmentWithOptions");
    if (!found) {
        FreeLibrary(loader);
        return nullptr;
    }
    return reinterpret_cast<CreateEnvironmentFunction>(reinterpret_cast<void*>(found));
}

} // namespace

CreateEnvironmentFunction LoadCreateEnvironment()
{
    static const CreateEnvironmentFunction createEnvironment = Load();
    return createEnvironment;
}
