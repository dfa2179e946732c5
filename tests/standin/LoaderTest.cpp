// The loader's exports besides the environment request: found by their plain
// names, the version query and the version comparison.
#include "StandinHarness.h"

#include <doctest.h>

TEST_CASE("the version query returns a version the caller frees and can report no runtime")
{
    TracedTest test(L"loader-version");
    LoadedStandin standin;
    LPWSTR version = nullptr;
    REQUIRE(standin.getVersion(nullptr, &version) == S_OK);
    REQUIRE(version != nullptr);
    int order = 2;
    // A version the comparison understands, as the real one is.
    CHECK(standin.compareVersions(version, L"1.0.0.0", &order) == S_OK);
    CHECK(order == 1);
    CoTaskMemFree(version);
    CHECK(standin.getVersion(nullptr, nullptr) == E_POINTER);

    ScopedEnvironment fail(L"TAVLIO_STANDIN_FAIL", L"version-noruntime@0");
    version = reinterpret_cast<LPWSTR>(0x1234);
    CHECK(standin.getVersion(nullptr, &version) == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    CHECK(version == nullptr);
    const auto lines = LinesNamed(test.Lines(), "Loader.GetAvailableCoreWebView2BrowserVersionString");
    REQUIRE(lines.size() == 3);
    CHECK(lines[2].args == std::vector<std::string>{"null", "null", "hr=0x80070002"});
}

TEST_CASE("CompareBrowserVersions orders versions part by part")
{
    TracedTest test(L"loader-compare");
    LoadedStandin standin;
    struct Case {
        const wchar_t* first;
        const wchar_t* second;
        int expected;
    };
    const Case cases[] = {
        {L"1.2.3.4", L"1.10.0.0", -1},  // numbers, not text
        {L"130.0.2849.56", L"130.0.2849.56", 0},
        {L"2.0", L"1.9.9.9", 1},          // missing parts count as 0
        {L"1.0.0.0", L"1", 0},
        {L"120.0.1.2 beta", L"120.0.1.1", 1}, // a channel name after a space
    };
    for (const Case& each : cases) {
        CAPTURE(Utf8(each.first));
        int order = 7;
        CHECK(standin.compareVersions(each.first, each.second, &order) == S_OK);
        CHECK(order == each.expected);
    }
    int order = 7;
    CHECK(standin.compareVersions(L"1.x", L"1.0", &order) == E_INVALIDARG);
    CHECK(standin.compareVersions(nullptr, L"1.0", &order) == E_INVALIDARG);
    CHECK(standin.compareVersions(L"1.0", L"1.0", nullptr) == E_POINTER);
}
