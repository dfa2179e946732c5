#include "TraceReader.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, '\t')) {
        fields.push_back(field);
    }
    return fields;
}

void AppendUtf8(std::string& out, unsigned code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

} // namespace

std::string Unquote(const std::string& field)
{
    if (field.size() < 2 || field.front() != '"' || field.back() != '"') {
        return field;
    }
    std::string out;
    for (size_t i = 1; i + 1 < field.size(); ++i) {
        if (field[i] != '\\' || i + 2 >= field.size()) {
            out += field[i];
            continue;
        }
        const char escaped = field[++i];
        switch (escaped) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u':
            if (i + 4 < field.size()) {
                AppendUtf8(out, static_cast<unsigned>(std::strtoul(field.substr(i + 1, 4).c_str(), nullptr, 16)));
                i += 4;
            }
            break;
        default: out += escaped; break;
        }
    }
    return out;
}

std::string TraceLine::Arg(size_t index) const
{
    return index < args.size() ? Unquote(args[index]) : std::string();
}

std::vector<TraceLine> ReadTrace(const std::wstring& path)
{
    std::vector<TraceLine> lines;
    std::string content;
    if (FILE* file = _wfopen(path.c_str(), L"rb")) {
        char buffer[65536];
        size_t count;
        while ((count = fread(buffer, 1, sizeof buffer, file)) > 0) {
            content.append(buffer, count);
        }
        fclose(file);
    }
    std::istringstream in(content);
    std::string text;
    while (std::getline(in, text)) {
        if (!text.empty() && text.back() == '\r') {
            text.pop_back();
        }
        const std::vector<std::string> fields = SplitTabs(text);
        if (fields.size() < 3) {
            continue;
        }
        TraceLine line;
        line.raw = text;
        line.ms = std::strtod(fields[0].c_str(), nullptr);
        line.pane = fields[1] == "-" ? -1 : std::atoi(fields[1].c_str());
        line.name = fields[2];
        line.args.assign(fields.begin() + 3, fields.end());
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<TraceLine> LinesNamed(const std::vector<TraceLine>& lines, const std::string& name, int pane)
{
    std::vector<TraceLine> found;
    for (const TraceLine& line : lines) {
        if (line.name == name && (pane == -2 || line.pane == pane)) {
            found.push_back(line);
        }
    }
    return found;
}

size_t CountNamed(const std::vector<TraceLine>& lines, const std::string& name, int pane)
{
    return LinesNamed(lines, name, pane).size();
}

size_t IndexOfNamed(const std::vector<TraceLine>& lines, const std::string& name, int pane)
{
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].name == name && (pane == -2 || lines[i].pane == pane)) {
            return i;
        }
    }
    return lines.size();
}

std::string Utf8(const std::wstring& text)
{
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring FreshTracePath(const std::wstring& name)
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    std::wstring path = std::wstring(folder) + L"tavlio-" + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L".trace";
    DeleteFileW(path.c_str());
    return path;
}

ScopedEnvironment::ScopedEnvironment(const wchar_t* name, const std::wstring& value) : name(name)
{
    wchar_t buffer[4096];
    const DWORD length = GetEnvironmentVariableW(name, buffer, static_cast<DWORD>(std::size(buffer)));
    hadPrevious = length > 0 && length < std::size(buffer);
    if (hadPrevious) {
        previous.assign(buffer, length);
    }
    SetEnvironmentVariableW(name, value.c_str());
}

ScopedEnvironment::~ScopedEnvironment()
{
    SetEnvironmentVariableW(name.c_str(), hadPrevious ? previous.c_str() : nullptr);
}
