// How tests and benchmarks steer the stand-in: the environment variables read
// at every environment request (see README.md).
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace standin {

// Every way a step of pane creation can be made to fail.
enum class Failure {
    EnvReturnFail,
    EnvReturnNoRuntime,
    EnvSilent,
    EnvLate,
    EnvHandlerFail,
    EnvHandlerNoRuntime,
    ControllerReturnFail,
    ControllerSilent,
    ControllerLate,
    ControllerHandlerFail,
    ControllerNull,
    NoWebView,
    NoSettings,
    VersionNoRuntime,
};

// The steering in force for one pane, read once at its environment request so
// that a test may change the variables between requests.
class Config {
public:
    static constexpr DWORD kDefaultLateMs = 32000;

    // Reads TAVLIO_STANDIN_DELAY_MS, TAVLIO_STANDIN_LATE_MS and TAVLIO_STANDIN_FAIL now.
    static std::shared_ptr<const Config> Read();

    bool Fails(Failure failure, int pane) const;
    DWORD DelayMs() const { return delayMs; }
    DWORD LateMs() const { return lateMs; }
    // Entries of the variables that could not be understood, as "NAME=entry".
    const std::vector<std::wstring>& Rejected() const { return rejected; }

private:
    struct Injection {
        Failure failure;
        int pane; // kEveryPane for '*'
    };
    static constexpr int kEveryPane = -1;

    void ParseFailures(const std::wstring& list);
    DWORD ParseMilliseconds(const wchar_t* name, DWORD fallback);

    DWORD delayMs = 0;
    DWORD lateMs = kDefaultLateMs;
    std::vector<Injection> injections;
    std::vector<std::wstring> rejected;
};

// The value of a variable of this process, empty when unset. Read through the
// Win32 environment block, which SetEnvironmentVariableW changes at once (the
// C runtime's copy would not see a test's changes).
std::wstring ReadVariable(const wchar_t* name);

} // namespace standin
