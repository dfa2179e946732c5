// The trace format other tests parse: fields, escapes, times, result codes,
// the Unexpected lines, and where the lines go.
#include "StandinHarness.h"

#include <doctest.h>

#include <cctype>
#include <cstdio>
#include <sstream>

namespace {

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    std::istringstream in(line);
    std::string field;
    while (std::getline(in, field, '\t')) {
        fields.push_back(field);
    }
    return fields;
}

bool IsMilliseconds(const std::string& field)
{
    const size_t dot = field.find('.');
    if (dot == std::string::npos || dot == 0 || field.size() - dot != 4) {
        return false;
    }
    for (size_t i = 0; i < field.size(); ++i) {
        if (i != dot && !std::isdigit(static_cast<unsigned char>(field[i]))) {
            return false;
        }
    }
    return true;
}

bool IsCode(const std::string& field)
{
    if (field.size() != 10 || field.rfind("0x", 0) != 0) {
        return false;
    }
    for (size_t i = 2; i < field.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(field[i])) && (field[i] < 'A' || field[i] > 'F')) {
            return false;
        }
    }
    return true;
}

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

} // namespace

TEST_CASE("every line holds a time and a pane and a name and calls end with their result")
{
    TracedTest test(L"trace-format");
    LoadedStandin standin;
    ComApartment com;
    TestWindow parent;
    LPWSTR version = nullptr;
    REQUIRE(standin.getVersion(nullptr, &version) == S_OK);
    CoTaskMemFree(version);
    PaneObjects pane = CreatePane(standin, parent.Handle());
    pane.controller->put_Bounds(RECT{0, 0, 400, 300});
    pane.webView->Navigate(L"https://example.test/");
    pane.webView->ExecuteScript(L"1", RecordText<ICoreWebView2ExecuteScriptCompletedHandler>(NewOutcome<IUnknown>()).get());
    double zoom = 0;
    pane.controller->get_ZoomFactor(&zoom);
    PumpUntil([&] { return CountNamed(test.Lines(), "Returned.ExecuteScriptCompleted") > 0; });

    const std::vector<std::string> lines = test.RawLines();
    REQUIRE(lines.size() >= 12);
    double previous = 0;
    for (const std::string& line : lines) {
        CAPTURE(line);
        const std::vector<std::string> fields = Fields(line);
        REQUIRE(fields.size() >= 3);
        CHECK(IsMilliseconds(fields[0]));
        const double ms = std::stod(fields[0]);
        CHECK(ms >= previous);
        previous = ms;
        const std::string& name = fields[2];
        if (StartsWith(name, "Loader.")) {
            CHECK(fields[1] == (name == "Loader.CreateCoreWebView2EnvironmentWithOptions" ? "0" : "-"));
        } else {
            CHECK(fields[1] == "0");
        }
        if (StartsWith(name, "Invoke.") || StartsWith(name, "Returned.")) {
            REQUIRE(fields.size() >= 4);
            CHECK(IsCode(fields[3]));
        } else {
            CHECK(StartsWith(fields.back(), "hr="));
            CHECK(IsCode(fields.back().substr(3)));
        }
    }
}

TEST_CASE("strings are quoted and escaped and written in UTF-8")
{
    TracedTest test(L"trace-escapes");
    LoadedStandin standin;
    ComApartment com;
    TestWindow parent;
    PaneObjects pane = CreatePane(standin, parent.Handle());
    const std::wstring address = L"https://x.test/\"q\"\\p\nl\rr\tt\x01\x1F\x7F\u00E9\u20AC\U0001F600";
    REQUIRE(pane.webView->Navigate(address.c_str()) == S_OK);
    const std::wstring script = L"if (a) {\n\tb(\"c\");\n}";
    REQUIRE(pane.webView->AddScriptToExecuteOnDocumentCreated(script.c_str(), nullptr) == S_OK);

    const auto lines = test.Lines();
    const auto navigate = LinesNamed(lines, "WebView.Navigate");
    REQUIRE(navigate.size() == 1);
    CHECK(navigate[0].args[0] ==
          "\"https://x.test/\\\"q\\\"\\\\p\\nl\\rr\\tt\\u0001\\u001F\\u007F\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\"");
    CHECK(navigate[0].Arg(0) == Utf8(address));
    const auto added = LinesNamed(lines, "WebView.AddScriptToExecuteOnDocumentCreated");
    REQUIRE(added.size() == 1);
    CHECK(added[0].Arg(0) == Utf8(script)); // the full text, on one line
}

TEST_CASE("arguments are written in their documented forms")
{
    TracedTest test(L"trace-arguments");
    LoadedStandin standin;
    ComApartment com;
    TestWindow parent;
    PaneObjects pane = CreatePane(standin, parent.Handle());
    pane.controller->put_Bounds(RECT{10, 20, 310, 220});
    pane.controller->put_IsVisible(FALSE);
    pane.settings->put_IsWebMessageEnabled(TRUE);
    pane.webView->GoBack();
    pane.webView->CallDevToolsProtocolMethod(L"Network.clearBrowserCache", L"{}", nullptr);
    CHECK(pane.controller->get_CoreWebView2(nullptr) == E_POINTER);

    const auto lines = test.Lines();
    char window[32];
    std::snprintf(window, sizeof window, "0x%llX", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(parent.Handle())));
    const auto create = LinesNamed(lines, "Environment.CreateCoreWebView2Controller");
    REQUIRE(create.size() == 1);
    CHECK(create[0].args == std::vector<std::string>{window, "handler", "hr=0x00000000"});
    const auto request = LinesNamed(lines, "Loader.CreateCoreWebView2EnvironmentWithOptions");
    REQUIRE(request.size() == 1);
    CHECK(request[0].args == std::vector<std::string>{"null", "null", "null", "handler", "hr=0x00000000"});
    CHECK(LinesNamed(lines, "Controller.put_Bounds").at(0).args.at(0) == "10,20,310,220");
    CHECK(LinesNamed(lines, "Controller.put_IsVisible").at(0).args.at(0) == "0");
    CHECK(LinesNamed(lines, "Settings.put_IsWebMessageEnabled").at(0).args.at(0) == "1");
    CHECK(LinesNamed(lines, "WebView.GoBack").at(0).args == std::vector<std::string>{"null", "hr=0x00000000"});
    CHECK(LinesNamed(lines, "WebView.CallDevToolsProtocolMethod").at(0).args ==
          std::vector<std::string>{"\"Network.clearBrowserCache\"", "\"{}\"", "null", "hr=0x00000000"});
    const auto given = LinesNamed(lines, "Controller.get_CoreWebView2");
    REQUIRE(given.size() == 2);
    CHECK(given[0].args == std::vector<std::string>{"object", "hr=0x00000000"});
    CHECK(given[1].args == std::vector<std::string>{"null", "hr=0x80004003"});
    CHECK(LinesNamed(lines, "Invoke.ControllerCompleted").at(0).args == std::vector<std::string>{"0x00000000", "object"});
}

TEST_CASE("methods Tavlio never calls are traced as Unexpected and still behave")
{
    TracedTest test(L"trace-unexpected");
    LoadedStandin standin;
    ComApartment com;
    TestWindow parent;
    PaneObjects pane = CreatePane(standin, parent.Handle());
    pane.controller->put_Bounds(RECT{5, 6, 105, 206});
    pane.controller->put_IsVisible(FALSE);
    pane.settings->put_IsWebMessageEnabled(FALSE);
    pane.webView->Navigate(L"https://a.test/");

    RECT bounds = {};
    CHECK(pane.controller->get_Bounds(&bounds) == S_OK);
    CHECK((bounds.left == 5 && bounds.top == 6 && bounds.right == 105 && bounds.bottom == 206));
    BOOL flag = TRUE;
    CHECK(pane.controller->get_IsVisible(&flag) == S_OK);
    CHECK(flag == FALSE);
    double zoom = 0;
    CHECK(pane.controller->get_ZoomFactor(&zoom) == S_OK);
    CHECK(zoom == 1.0);
    HWND parentWindow = nullptr;
    CHECK(pane.controller->get_ParentWindow(&parentWindow) == S_OK);
    CHECK(parentWindow == parent.Handle());
    CHECK(pane.controller->put_ZoomFactor(2.0) == E_NOTIMPL);
    EventRegistrationToken token = {42};
    CHECK(pane.webView->add_NavigationCompleted(nullptr, &token) == E_NOTIMPL);
    CHECK(token.value == 0);
    CHECK(pane.settings->get_IsWebMessageEnabled(&flag) == S_OK);
    CHECK(flag == FALSE);
    CHECK(pane.settings->get_IsScriptEnabled(&flag) == S_OK);
    CHECK(flag == TRUE);
    LPWSTR text = nullptr;
    REQUIRE(pane.webView->get_Source(&text) == S_OK);
    CHECK(std::wstring(text) == L"https://a.test/");
    CoTaskMemFree(text);
    REQUIRE(pane.environment->get_BrowserVersionString(&text) == S_OK);
    CHECK(std::wstring(text).find(L'.') != std::wstring::npos);
    CoTaskMemFree(text);

    std::vector<std::string> named;
    for (const TraceLine& line : LinesNamed(test.Lines(), "Unexpected", 0)) {
        named.push_back(line.args.at(0) + " " + line.args.at(1));
    }
    CHECK(named == std::vector<std::string>{
                       "Controller.get_Bounds hr=0x00000000", "Controller.get_IsVisible hr=0x00000000",
                       "Controller.get_ZoomFactor hr=0x00000000", "Controller.get_ParentWindow hr=0x00000000",
                       "Controller.put_ZoomFactor hr=0x80004001", "WebView.add_NavigationCompleted hr=0x80004001",
                       "Settings.get_IsWebMessageEnabled hr=0x00000000", "Settings.get_IsScriptEnabled hr=0x00000000",
                       "WebView.get_Source hr=0x00000000", "Environment.get_BrowserVersionString hr=0x00000000"});
}

TEST_CASE("the trace goes where the variable says and nowhere when it is unset")
{
    TracedTest test(L"trace-files");
    LoadedStandin standin;
    const std::wstring other = FreshTracePath(L"trace-files-other");
    int result = 0;
    standin.compareVersions(L"1.0", L"1.0", &result);
    {
        ScopedEnvironment moved(L"TAVLIO_STANDIN_TRACE", other);
        standin.compareVersions(L"1.0", L"2.0", &result);
    }
    {
        ScopedEnvironment off(L"TAVLIO_STANDIN_TRACE", L"");
        const std::wstring unused = FreshTracePath(L"trace-files-unused");
        standin.compareVersions(L"3.0", L"2.0", &result);
        CHECK(GetFileAttributesW(unused.c_str()) == INVALID_FILE_ATTRIBUTES);
    }
    standin.compareVersions(L"4.0", L"2.0", &result);

    const auto here = LinesNamed(test.Lines(), "Loader.CompareBrowserVersions");
    REQUIRE(here.size() == 2);
    CHECK(here[0].Arg(0) == "1.0");
    CHECK(here[1].Arg(0) == "4.0");
    const auto there = LinesNamed(ReadTrace(other), "Loader.CompareBrowserVersions");
    REQUIRE(there.size() == 1);
    CHECK(there[0].Arg(0) == "1.0");
    CHECK(there[0].Arg(1) == "2.0");
    DeleteFileW(other.c_str());
}
