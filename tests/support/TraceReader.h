// Reads the engine stand-in's trace: one line per call and per handler
// invocation, fields separated by tabs:
//   <milliseconds>\t<pane or ->\t<name>\t<argument>...
// String arguments are quoted, with \" \\ \n \r \t and \uXXXX escapes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct TraceLine {
    double ms = 0;
    int pane = -1;              // -1 where the line concerns no pane
    std::string name;           // for example "Controller.put_Bounds"
    std::vector<std::string> args;
    std::string raw;

    // The argument, with a quoted string unquoted and unescaped (UTF-8).
    std::string Arg(size_t index) const;
};

std::vector<TraceLine> ReadTrace(const std::wstring& path);

// The lines with the given name, of one pane (or of every pane, for -2).
std::vector<TraceLine> LinesNamed(const std::vector<TraceLine>& lines, const std::string& name, int pane = -2);
size_t CountNamed(const std::vector<TraceLine>& lines, const std::string& name, int pane = -2);
// The position of the first such line, or lines.size() when there is none.
size_t IndexOfNamed(const std::vector<TraceLine>& lines, const std::string& name, int pane = -2);

std::string Utf8(const std::wstring& text);
std::string Unquote(const std::string& field);

// A fresh, empty trace file in the temporary folder, named after the test.
std::wstring FreshTracePath(const std::wstring& name);

// Sets the stand-in's environment variables for the life of the object and
// restores the previous values afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(const wchar_t* name, const std::wstring& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::wstring name;
    std::wstring previous;
    bool hadPrevious = false;
};
