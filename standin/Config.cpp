#include "Config.h"

#include <cwctype>

namespace standin {

namespace {

struct ModeName {
    const wchar_t* name;
    Failure failure;
};

constexpr ModeName kModes[] = {
    {L"env-return-fail", Failure::EnvReturnFail},
    {L"env-return-noruntime", Failure::EnvReturnNoRuntime},
    {L"env-silent", Failure::EnvSilent},
    {L"env-late", Failure::EnvLate},
    {L"env-handler-fail", Failure::EnvHandlerFail},
    {L"env-handler-noruntime", Failure::EnvHandlerNoRuntime},
    {L"controller-return-fail", Failure::ControllerReturnFail},
    {L"controller-silent", Failure::ControllerSilent},
    {L"controller-late", Failure::ControllerLate},
    {L"controller-handler-fail", Failure::ControllerHandlerFail},
    {L"controller-null", Failure::ControllerNull},
    {L"no-webview", Failure::NoWebView},
    {L"no-settings", Failure::NoSettings},
    {L"version-noruntime", Failure::VersionNoRuntime},
};

std::wstring Trimmed(const std::wstring& text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && std::iswspace(text[first])) {
        ++first;
    }
    while (last > first && std::iswspace(text[last - 1])) {
        --last;
    }
    return text.substr(first, last - first);
}

// A whole decimal number that fits an int, or -1.
int ParseCount(const std::wstring& text)
{
    if (text.empty() || text.size() > 9) {
        return -1;
    }
    int value = 0;
    for (const wchar_t digit : text) {
        if (digit < L'0' || digit > L'9') {
            return -1;
        }
        value = value * 10 + (digit - L'0');
    }
    return value;
}

} // namespace

std::wstring ReadVariable(const wchar_t* name)
{
    std::wstring value(256, L'\0');
    for (;;) {
        const DWORD length = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
        if (length == 0) {
            return {};
        }
        if (length < value.size()) {
            value.resize(length);
            return value;
        }
        value.resize(length); // too small: length is the size needed, with the terminator
    }
}

std::shared_ptr<const Config> Config::Read()
{
    auto config = std::make_shared<Config>();
    config->delayMs = config->ParseMilliseconds(L"TAVLIO_STANDIN_DELAY_MS", 0);
    config->lateMs = config->ParseMilliseconds(L"TAVLIO_STANDIN_LATE_MS", kDefaultLateMs);
    config->ParseFailures(ReadVariable(L"TAVLIO_STANDIN_FAIL"));
    return config;
}

bool Config::Fails(Failure failure, int pane) const
{
    for (const Injection& injection : injections) {
        if (injection.failure == failure && (injection.pane == kEveryPane || injection.pane == pane)) {
            return true;
        }
    }
    return false;
}

DWORD Config::ParseMilliseconds(const wchar_t* name, DWORD fallback)
{
    const std::wstring text = Trimmed(ReadVariable(name));
    if (text.empty()) {
        return fallback;
    }
    const int value = ParseCount(text);
    if (value < 0) {
        rejected.push_back(std::wstring(name) + L"=" + text);
        return fallback;
    }
    return static_cast<DWORD>(value);
}

void Config::ParseFailures(const std::wstring& list)
{
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(L',', start);
        if (end == std::wstring::npos) {
            end = list.size();
        }
        const std::wstring entry = Trimmed(list.substr(start, end - start));
        start = end + 1;
        if (entry.empty()) {
            continue;
        }
        const size_t at = entry.rfind(L'@');
        const std::wstring mode = at == std::wstring::npos ? entry : Trimmed(entry.substr(0, at));
        const std::wstring where = at == std::wstring::npos ? L"" : Trimmed(entry.substr(at + 1));
        const int pane = where == L"*" ? kEveryPane : ParseCount(where);
        const bool paneValid = where == L"*" || pane >= 0;
        bool known = false;
        for (const ModeName& candidate : kModes) {
            if (paneValid && mode == candidate.name) {
                injections.push_back({candidate.failure, pane});
                known = true;
                break;
            }
        }
        if (!known) {
            rejected.push_back(L"TAVLIO_STANDIN_FAIL=" + entry);
        }
    }
}

} // namespace standin
