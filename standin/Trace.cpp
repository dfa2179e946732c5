#include "Trace.h"

#include "Config.h"

#include <cstdio>

namespace standin {

namespace {

LARGE_INTEGER clockStart;
LARGE_INTEGER clockFrequency;
// Keeps lines whole and their times in file order when threads trace at once.
SRWLOCK traceLock = SRWLOCK_INIT;

std::string Utf8(std::wstring_view text)
{
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::string MillisecondsSinceLoad()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const double ms = static_cast<double>(now.QuadPart - clockStart.QuadPart) * 1000.0 / static_cast<double>(clockFrequency.QuadPart);
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", ms);
    return text;
}

// The file stays open from line to line, as opening it for every line would
// cost more than most of the calls it records; another name in the variable
// opens the new file. Shared for reading and deleting, so a test can read it
// while the DLL is loaded.
std::wstring traceFilePath;
HANDLE traceFile = INVALID_HANDLE_VALUE;

void AppendToFile(const std::wstring& path, const std::string& line)
{
    if (path != traceFilePath) {
        CloseTraceFile();
        traceFile = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        traceFilePath = path;
    }
    if (traceFile == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    WriteFile(traceFile, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::string Hex(unsigned long long value, int digits)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%0*llX", digits, value);
    return text;
}

} // namespace

void CloseTraceFile()
{
    if (traceFile != INVALID_HANDLE_VALUE) {
        CloseHandle(traceFile);
    }
    traceFile = INVALID_HANDLE_VALUE;
    traceFilePath.clear();
}

void StartTraceClock()
{
    QueryPerformanceFrequency(&clockFrequency);
    QueryPerformanceCounter(&clockStart);
}

std::string QuoteForTrace(std::wstring_view text)
{
    std::wstring escaped;
    escaped.reserve(text.size() + 2);
    escaped += L'"';
    for (const wchar_t c : text) {
        switch (c) {
        case L'"': escaped += L"\\\""; break;
        case L'\\': escaped += L"\\\\"; break;
        case L'\n': escaped += L"\\n"; break;
        case L'\r': escaped += L"\\r"; break;
        case L'\t': escaped += L"\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                wchar_t code[8];
                std::swprintf(code, std::size(code), L"\\u%04X", static_cast<unsigned>(c));
                escaped += code;
            } else {
                escaped += c;
            }
        }
    }
    escaped += L'"';
    return Utf8(escaped);
}

TraceRecord::TraceRecord(int pane, std::string_view name) : pane(pane), fields(name) {}

void TraceRecord::Append(std::string_view text)
{
    fields += '\t';
    fields += text;
}

TraceRecord& TraceRecord::String(const wchar_t* text)
{
    Append(text ? QuoteForTrace(text) : "null");
    return *this;
}

TraceRecord& TraceRecord::Object(const void* object)
{
    Append(object ? "object" : "null");
    return *this;
}

TraceRecord& TraceRecord::Handler(const void* handler)
{
    Append(handler ? "handler" : "null");
    return *this;
}

TraceRecord& TraceRecord::Window(HWND window)
{
    Append(Hex(reinterpret_cast<UINT_PTR>(window), 1));
    return *this;
}

TraceRecord& TraceRecord::Rect(const RECT& rect)
{
    char text[64];
    std::snprintf(text, sizeof text, "%ld,%ld,%ld,%ld", rect.left, rect.top, rect.right, rect.bottom);
    Append(text);
    return *this;
}

TraceRecord& TraceRecord::Bool(BOOL value)
{
    Append(value ? "1" : "0");
    return *this;
}

TraceRecord& TraceRecord::Code(HRESULT code)
{
    Append(Hex(static_cast<unsigned long>(code), 8));
    return *this;
}

TraceRecord& TraceRecord::Result(HRESULT code)
{
    Append("hr=" + Hex(static_cast<unsigned long>(code), 8));
    return *this;
}

TraceRecord& TraceRecord::Word(std::string_view word)
{
    Append(word);
    return *this;
}

void TraceRecord::Write() const
{
    WriteLine(true);
}

void TraceRecord::WriteAtExit() const
{
    WriteLine(false);
}

void TraceRecord::WriteLine(bool mayWait) const
{
    // Read at every line, so a test can switch files; unset means no trace.
    const std::wstring path = ReadVariable(L"TAVLIO_STANDIN_TRACE");
    if (path.empty()) {
        return;
    }
    const std::string paneField = pane == kNoPane ? "-" : std::to_string(pane);
    bool locked = true;
    if (mayWait) {
        AcquireSRWLockExclusive(&traceLock);
    } else {
        locked = TryAcquireSRWLockExclusive(&traceLock);
    }
    // The time is taken under the lock, so times grow down the file.
    AppendToFile(path, MillisecondsSinceLoad() + '\t' + paneField + '\t' + fields + '\n');
    if (locked) {
        ReleaseSRWLockExclusive(&traceLock);
    }
}

HRESULT Unexpected(int pane, std::string_view method, HRESULT result)
{
    TraceRecord(pane, "Unexpected").Word(method).Result(result).Write();
    return result;
}

} // namespace standin
