// The wait of a pane creation: pumps the thread's messages, so that the
// engine's completions can run, until the creation says it is over.
#pragma once

#include <windows.h>

#include <atomic>

// Dispatches every waiting message, testing done after each, and otherwise
// sleeps until a message arrives, at most 100 ms at a time. Gives up after
// limitMs. A quit message taken meanwhile is posted again on return, so it
// still ends the main loop. Returns done's final value.
bool WaitForCreation(const std::atomic<bool>& done, DWORD limitMs);
