// Runs Tavlio's real main window inside a test process, with the engine
// stand-in beside it, and gives the test what it needs to look at: the
// controls, the stand-in's trace, the message boxes and the teardown.
#pragma once

#include "MessageBoxWatcher.h"
#include "TraceReader.h"

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

class MainWindowSession {
public:
    // failures: the stand-in's failure list, for example L"env-silent@7".
    explicit MainWindowSession(const std::wstring& name, const std::wstring& failures = L"",
                               const std::wstring& delayMs = L"");
    ~MainWindowSession();
    MainWindowSession(const MainWindowSession&) = delete;
    MainWindowSession& operator=(const MainWindowSession&) = delete;

    HWND Window() const { return window; }
    HWND TabStrip() const;
    HWND Button(int id) const;

    std::vector<TraceLine> Trace() const { return ReadTrace(tracePath); }
    // Trace lines that arrived after the given count of lines.
    std::vector<TraceLine> TraceSince(size_t count) const;

    // Lets the window work for a while, so the engine's answers arrive.
    static void Pump(DWORD milliseconds) { PumpMessagesFor(milliseconds); }

    // Destroys the window and reports whether the quit message was posted.
    bool Destroy();
    // Unloads the engine, so it reports the objects still alive, by type.
    std::map<std::string, int> UnloadEngine();

    const MessageBoxWatcher& Boxes() const { return watcher; }

private:
    std::wstring tracePath;
    std::unique_ptr<ScopedEnvironment> traceSetting;
    std::unique_ptr<ScopedEnvironment> failureSetting;
    std::unique_ptr<ScopedEnvironment> delaySetting;
    MessageBoxWatcher watcher;
    HWND window = nullptr;
};

// Presses a tab the way a mouse click does, so the tab strip itself sends
// its notifications.
void ClickTab(HWND tabStrip, int tab);

// The pane ordinal of each Navigate in the trace, with its address.
std::vector<std::pair<int, std::string>> Navigations(const std::vector<TraceLine>& trace);

// The last visibility the program gave each pane (-1: never set).
std::vector<int> LastVisibility(const std::vector<TraceLine>& trace, int paneCount);

RECT ParseRect(const std::string& text);
