// Watches this process for message boxes, records what each one says and
// presses OK, so that failure paths run unattended and their messages can be
// asserted exactly.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct SeenMessageBox {
    std::wstring caption;
    std::wstring text;
    HWND owner = nullptr;       // the window the box was given as its owner
    DWORD thread = 0;           // the thread that runs the box
    bool errorIcon = false;     // shows the system's error icon
    int buttons = 0;            // number of push buttons
};

class MessageBoxWatcher {
public:
    // Watches this process, or the process with the given identifier.
    explicit MessageBoxWatcher(bool pressOk = true, DWORD process = 0);
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    std::vector<SeenMessageBox> Boxes() const;
    // Pumps this thread's messages while waiting, so a box that this thread
    // runs can still come up and be answered. False on time-out.
    bool WaitForBoxes(size_t count, DWORD timeoutMs) const;

private:
    void Watch();
    void Look();

    bool pressOk;
    DWORD process;
    std::atomic<bool> stopping{false};
    mutable std::mutex lock;
    std::vector<SeenMessageBox> boxes;
    std::vector<HWND> handled;
    std::thread watcher;
};

// Dispatches this thread's messages for about the given time.
void PumpMessagesFor(DWORD milliseconds);
