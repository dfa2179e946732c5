// Starts the real Tavlio.exe as a person would and drives it from outside:
// finds its windows, clicks with real mouse and keyboard input, closes it and
// collects its exit code and the engine stand-in's trace.
#pragma once

#include "MessageBoxWatcher.h"
#include "TraceReader.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class TavlioProcess {
public:
    // Starts program (a path) with the stand-in tracing to a fresh file and
    // the given extra environment variables (NAME=value).
    TavlioProcess(const std::wstring& name, const std::wstring& program,
                  const std::vector<std::wstring>& environment = {}, int showCommand = SW_SHOWNORMAL);
    ~TavlioProcess();
    TavlioProcess(const TavlioProcess&) = delete;
    TavlioProcess& operator=(const TavlioProcess&) = delete;

    bool Started() const { return process != nullptr; }
    // The visible main window, once start-up has shown it; null on time-out.
    HWND WaitForMainWindow(DWORD timeoutMs = 20000);
    HWND MainWindow() const { return mainWindow; }

    // Clicks the centre of a screen rectangle with the real mouse.
    void Click(const RECT& screenRect) const;
    void ClickTab(int tab) const;
    void ClickButton(int id) const;
    // Closes the window with Alt+F4, as from the keyboard.
    void PressAltF4() const;

    // Waits for the process to end; false on time-out.
    bool WaitForExit(DWORD timeoutMs, DWORD& exitCode) const;
    // Waits until the trace holds at least count lines with this name.
    bool WaitForTrace(const std::string& name, size_t count, DWORD timeoutMs = 10000) const;

    std::vector<TraceLine> Trace() const { return ReadTrace(tracePath); }
    const MessageBoxWatcher& Boxes() const { return *watcher; }
    DWORD Id() const { return processId; }

private:
    std::wstring tracePath;
    HANDLE process = nullptr;
    DWORD processId = 0;
    HWND mainWindow = nullptr;
    std::unique_ptr<MessageBoxWatcher> watcher;
};

// The folder of this test program, where Tavlio.exe and the stand-in lie.
std::wstring ProgramFolder();
