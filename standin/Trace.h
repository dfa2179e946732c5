// The trace: one line per call and per handler invocation, appended to the
// file named by TAVLIO_STANDIN_TRACE, in the format README.md describes and
// tests/support/TraceReader parses:
//   <milliseconds>\t<pane or ->\t<name>\t<argument>...
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace standin {

constexpr int kNoPane = -1;

// Starts the clock of the <milliseconds> field; called once, when the DLL loads.
void StartTraceClock();
// Closes the trace file; the next line opens it again.
void CloseTraceFile();

// One trace line, built argument by argument and appended by Write().
class TraceRecord {
public:
    TraceRecord(int pane, std::string_view name);

    TraceRecord& String(const wchar_t* text);     // quoted and escaped, or null
    TraceRecord& Object(const void* object);      // object or null
    TraceRecord& Handler(const void* handler);    // handler or null
    TraceRecord& Window(HWND window);             // 0x and hex digits
    TraceRecord& Rect(const RECT& rect);          // left,top,right,bottom
    TraceRecord& Bool(BOOL value);                // 0 or 1
    TraceRecord& Code(HRESULT code);              // 0x and eight hex digits
    TraceRecord& Result(HRESULT code);            // hr=0x........, ends a call
    TraceRecord& Word(std::string_view word);     // as it is

    // Appends the line; nothing happens when no trace file is set.
    void Write() const;
    // The same, for the last line of a process that is ending: never waits
    // for a lock that a thread killed by process exit may still hold.
    void WriteAtExit() const;

private:
    void Append(std::string_view text);
    void WriteLine(bool mayWait) const;

    int pane;
    std::string fields; // name and arguments, each preceded by a tab except the name
};

// Traces a call of a method Tavlio should never make and returns `result`.
HRESULT Unexpected(int pane, std::string_view method, HRESULT result);

// A quoted trace string: \" \\ \n \r \t, \uXXXX for other control characters, UTF-8.
std::string QuoteForTrace(std::wstring_view text);

} // namespace standin
