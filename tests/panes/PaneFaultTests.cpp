// Every way the engine can fail, at the first, a middle and the last pane:
// the message the user sees, no hang, the other panes created and working,
// and a clean teardown.
#include "Catalogue.h"
#include "MainWindow.h"
#include "MainWindowSession.h"

#include <doctest.h>

#include <algorithm>
#include <string>

namespace {

enum class Outcome {
    NoPane,          // the slot stays empty
    NoWebview,       // a controller without a webview
    Navigated,       // the pane works, one step short (no settings)
};

struct Fault {
    const char* mode;
    const wchar_t* message;   // the box the user sees, or null for none
    Outcome outcome;
    bool engineGone;          // no later pane asks the engine again
    bool late;                // the engine answers after the creation gave up
};

constexpr Fault kFaults[] = {
    {"env-return-fail", L"Failed to create WebView2 environment.", Outcome::NoPane, false, false},
    {"env-return-noruntime", L"Failed to create WebView2 environment.", Outcome::NoPane, true, false},
    {"env-silent", nullptr, Outcome::NoPane, false, false},
    {"env-late", nullptr, Outcome::NoPane, false, true},
    {"env-handler-fail", L"Failed to create WebView2 environment.", Outcome::NoPane, false, false},
    {"env-handler-noruntime", L"Failed to create WebView2 environment.", Outcome::NoPane, true, false},
    {"controller-return-fail", L"Failed to create WebView2 controller.", Outcome::NoPane, false, false},
    {"controller-silent", nullptr, Outcome::NoPane, false, false},
    {"controller-late", nullptr, Outcome::NoPane, false, true},
    {"controller-handler-fail", L"Failed to create WebView2 controller.", Outcome::NoPane, false, false},
    {"controller-null", nullptr, Outcome::NoPane, false, false},
    {"no-webview", nullptr, Outcome::NoWebview, false, false},
    {"no-settings", nullptr, Outcome::Navigated, false, false},
};

const Fault& FaultNamed(const std::string& mode)
{
    const auto* found = std::find_if(std::begin(kFaults), std::end(kFaults),
                                     [&](const Fault& fault) { return mode == fault.mode; });
    REQUIRE(found != std::end(kFaults));
    return *found;
}

void Press(const MainWindowSession& session, int button)
{
    SendMessageW(session.Window(), WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(session.Button(button)));
}

bool HasWebview(const Fault& fault, int faultyPane, int pane)
{
    if (pane == faultyPane) {
        return fault.outcome == Outcome::Navigated;
    }
    return !(fault.engineGone && pane > faultyPane);
}

void CheckFault(const std::string& mode, int faultyPane)
{
    const Fault& fault = FaultNamed(mode);
    const std::wstring failures(mode.begin(), mode.end());
    MainWindowSession session(L"fault-" + failures, failures + L"@" + std::to_wstring(faultyPane));
    REQUIRE(session.Window());

    // The engine's late answer arrives after the creation has moved on; it
    // must change nothing.
    if (fault.late) {
        const std::string answer = mode.rfind("env", 0) == 0 ? "Returned.EnvironmentCompleted"
                                                              : "Returned.ControllerCompleted";
        for (int waited = 0; waited < 100 && CountNamed(session.Trace(), answer, faultyPane) == 0; ++waited) {
            MainWindowSession::Pump(100);
        }
        CHECK(CountNamed(session.Trace(), answer, faultyPane) == 1);
    }

    const std::vector<SeenMessageBox> boxes = session.Boxes().Boxes();
    if (fault.message) {
        REQUIRE(boxes.size() == 1);
        CHECK(boxes[0].text == fault.message);
        CHECK(boxes[0].caption == L"Error");
        CHECK(boxes[0].errorIcon);
        CHECK(boxes[0].owner == session.Window());
    } else {
        CHECK(boxes.empty());
    }

    const std::vector<TraceLine> trace = session.Trace();
    const size_t requests = CountNamed(trace, "Loader.CreateCoreWebView2EnvironmentWithOptions");
    CHECK(requests == (fault.engineGone ? static_cast<size_t>(faultyPane + 1) : size_t{kServiceCount}));

    std::vector<std::pair<int, std::string>> expected;
    for (int pane = 0; pane < kServiceCount; ++pane) {
        if (HasWebview(fault, faultyPane, pane)) {
            expected.emplace_back(pane, Utf8(kServiceCatalogue[pane].url));
        }
    }
    CHECK(Navigations(trace) == expected);
    // Without an environment, or with one that came too late, nobody asks
    // for a controller.
    if (mode.rfind("env", 0) == 0) {
        CHECK(CountNamed(trace, "Environment.CreateCoreWebView2Controller", faultyPane) == 0);
    }
    const bool placed = CountNamed(trace, "Controller.put_Bounds", faultyPane) > 0;
    CHECK(placed == (fault.outcome != Outcome::NoPane));
    if (fault.outcome == Outcome::Navigated) {
        CHECK(CountNamed(trace, "WebView.AddScriptToExecuteOnDocumentCreated", faultyPane) == 1);
    }
    CHECK(CountNamed(trace, "Unexpected") == 0);

    // The faulty tab can be chosen; Home and Back leave a pane without a
    // webview alone, and the other panes keep working.
    size_t before = trace.size();
    ClickTab(session.TabStrip(), faultyPane);
    Press(session, kHomeButtonId);
    Press(session, kBackButtonId);
    std::vector<TraceLine> after = session.TraceSince(before);
    const bool works = HasWebview(fault, faultyPane, faultyPane);
    CHECK(CountNamed(after, "WebView.Navigate") == (works ? 1u : 0u));
    CHECK(CountNamed(after, "WebView.GoBack") == (works ? 1u : 0u));

    int highest = -1;
    for (int pane = 0; pane < kServiceCount; ++pane) {
        if (pane != faultyPane && HasWebview(fault, faultyPane, pane)) {
            before = session.Trace().size();
            ClickTab(session.TabStrip(), pane);
            Press(session, kBackButtonId);
            CHECK(CountNamed(session.TraceSince(before), "WebView.GoBack", pane) == 1);
        }
        if (HasWebview(fault, faultyPane, pane)) {
            highest = pane;
        }
    }

    // The teardown clears the cache through the highest pane with a webview.
    before = session.Trace().size();
    CHECK(session.Destroy());
    const auto clears = LinesNamed(session.TraceSince(before), "WebView.CallDevToolsProtocolMethod");
    CHECK(clears.size() == (highest < 0 ? 0u : 1u));
    if (!clears.empty()) {
        CHECK(clears[0].pane == highest);
    }

    // Everything the program was given is released. An engine that never
    // answered still holds what it would have handed over.
    const bool engineHoldsObjects = mode.find("silent") != std::string::npos;
    const auto alive = session.UnloadEngine();
    REQUIRE_FALSE(alive.empty());
    for (const char* type : {"Environment", "Controller", "WebView", "Settings"}) {
        CAPTURE(type);
        if (!engineHoldsObjects) {
            CHECK(alive.at(type) == 0);
        }
    }
    CHECK(alive.at("WebView") == 0);
    CHECK(alive.at("Settings") == 0);
}

} // namespace

TEST_CASE("env-return-fail at the first pane") { CheckFault("env-return-fail", 0); }
TEST_CASE("env-return-fail at a middle pane") { CheckFault("env-return-fail", 7); }
TEST_CASE("env-return-fail at the last pane") { CheckFault("env-return-fail", 15); }
TEST_CASE("env-return-noruntime at the first pane") { CheckFault("env-return-noruntime", 0); }
TEST_CASE("env-return-noruntime at a middle pane") { CheckFault("env-return-noruntime", 7); }
TEST_CASE("env-return-noruntime at the last pane") { CheckFault("env-return-noruntime", 15); }
TEST_CASE("env-silent at the first pane") { CheckFault("env-silent", 0); }
TEST_CASE("env-silent at a middle pane") { CheckFault("env-silent", 7); }
TEST_CASE("env-silent at the last pane") { CheckFault("env-silent", 15); }
TEST_CASE("env-late at the first pane") { CheckFault("env-late", 0); }
TEST_CASE("env-late at a middle pane") { CheckFault("env-late", 7); }
TEST_CASE("env-late at the last pane") { CheckFault("env-late", 15); }
TEST_CASE("env-handler-fail at the first pane") { CheckFault("env-handler-fail", 0); }
TEST_CASE("env-handler-fail at a middle pane") { CheckFault("env-handler-fail", 7); }
TEST_CASE("env-handler-fail at the last pane") { CheckFault("env-handler-fail", 15); }
TEST_CASE("env-handler-noruntime at the first pane") { CheckFault("env-handler-noruntime", 0); }
TEST_CASE("env-handler-noruntime at a middle pane") { CheckFault("env-handler-noruntime", 7); }
TEST_CASE("env-handler-noruntime at the last pane") { CheckFault("env-handler-noruntime", 15); }
TEST_CASE("controller-return-fail at the first pane") { CheckFault("controller-return-fail", 0); }
TEST_CASE("controller-return-fail at a middle pane") { CheckFault("controller-return-fail", 7); }
TEST_CASE("controller-return-fail at the last pane") { CheckFault("controller-return-fail", 15); }
TEST_CASE("controller-silent at the first pane") { CheckFault("controller-silent", 0); }
TEST_CASE("controller-silent at a middle pane") { CheckFault("controller-silent", 7); }
TEST_CASE("controller-silent at the last pane") { CheckFault("controller-silent", 15); }
TEST_CASE("controller-late at the first pane") { CheckFault("controller-late", 0); }
TEST_CASE("controller-late at a middle pane") { CheckFault("controller-late", 7); }
TEST_CASE("controller-late at the last pane") { CheckFault("controller-late", 15); }
TEST_CASE("controller-handler-fail at the first pane") { CheckFault("controller-handler-fail", 0); }
TEST_CASE("controller-handler-fail at a middle pane") { CheckFault("controller-handler-fail", 7); }
TEST_CASE("controller-handler-fail at the last pane") { CheckFault("controller-handler-fail", 15); }
TEST_CASE("controller-null at the first pane") { CheckFault("controller-null", 0); }
TEST_CASE("controller-null at a middle pane") { CheckFault("controller-null", 7); }
TEST_CASE("controller-null at the last pane") { CheckFault("controller-null", 15); }
TEST_CASE("no-webview at the first pane") { CheckFault("no-webview", 0); }
TEST_CASE("no-webview at a middle pane") { CheckFault("no-webview", 7); }
TEST_CASE("no-webview at the last pane") { CheckFault("no-webview", 15); }
TEST_CASE("no-settings at the first pane") { CheckFault("no-settings", 0); }
TEST_CASE("no-settings at a middle pane") { CheckFault("no-settings", 7); }
TEST_CASE("no-settings at the last pane") { CheckFault("no-settings", 15); }
