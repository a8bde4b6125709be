// SPDX-License-Identifier: MIT
// Ini files as the Windows profile functions treat them: section and key names compared without
// regard to ASCII case, blanks around names and values ignored, the first matching section and the
// first matching key in it win. A write changes one line (or adds one or two) and keeps every other
// byte of the file.
#include "platform/IniText.h"

#include <cstddef>
#include <cstring>

namespace plat
{
namespace ini
{
namespace
{

const char kBlanks[] = " \t\r";
const char kUtf8Bom[] = "\xEF\xBB\xBF";

std::string Trim(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos)
        return std::string();
    const std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

bool EqualNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char ca = static_cast<unsigned char>(a[i]);
        unsigned char cb = static_cast<unsigned char>(b[i]);
        if (ca >= 'A' && ca <= 'Z')
            ca = static_cast<unsigned char>(ca - 'A' + 'a');
        if (cb >= 'A' && cb <= 'Z')
            cb = static_cast<unsigned char>(cb - 'A' + 'a');
        if (ca != cb)
            return false;
    }
    return true;
}

// The text a line is parsed from: a byte order mark on the first line is not part of it.
std::string ParseText(const std::vector<Line>& lines, std::size_t index)
{
    const std::string& text = lines[index].text;
    if (index == 0 && text.compare(0, 3, kUtf8Bom) == 0)
        return text.substr(3);
    return text;
}

// "[name]" with blanks around it and around the name; text after the ']' is ignored.
bool ParseSection(const std::string& text, std::string& name)
{
    const std::string trimmed = Trim(text);
    if (trimmed.empty() || trimmed[0] != '[')
        return false;
    const std::size_t close = trimmed.find(']');
    if (close == std::string::npos)
        return false;
    name = Trim(trimmed.substr(1, close - 1));
    return true;
}

// "key=value"; a line without '=' or a section header is not a key.
bool ParseKey(const std::string& text, std::string& key, std::size_t& equals)
{
    std::string section;
    equals = text.find('=');
    if (equals == std::string::npos || ParseSection(text, section))
        return false;
    key = Trim(text.substr(0, equals));
    return true;
}

// The index of the first header naming `section`, or the number of lines when there is none.
std::size_t FindSection(const std::vector<Line>& lines, const std::string& section)
{
    std::string name;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (ParseSection(ParseText(lines, i), name) && EqualNoCase(name, section))
            return i;
    }
    return lines.size();
}

// The index of the header after the section starting at `header`, or the number of lines.
std::size_t SectionEnd(const std::vector<Line>& lines, std::size_t header)
{
    std::string name;
    for (std::size_t i = header + 1; i < lines.size(); ++i) {
        if (ParseSection(lines[i].text, name))
            return i;
    }
    return lines.size();
}

// The index of the first line in [begin, end) holding `key`, or `end`.
std::size_t FindKey(const std::vector<Line>& lines, std::size_t begin, std::size_t end, const std::string& key,
                    std::size_t& equals)
{
    std::string name;
    for (std::size_t i = begin; i < end; ++i) {
        if (ParseKey(lines[i].text, name, equals) && EqualNoCase(name, key))
            return i;
    }
    return end;
}

// The file's own line ending (that of its first line); CRLF, as Windows writes, for a new file.
std::string LineEnding(const std::vector<Line>& lines)
{
    return lines.empty() || lines[0].ending.empty() ? "\r\n" : lines[0].ending;
}

// Adds a line before `index`, giving the line before it an ending if it had none.
void InsertLine(std::vector<Line>& lines, std::size_t index, const std::string& text, const std::string& ending)
{
    if (index > 0 && lines[index - 1].ending.empty())
        lines[index - 1].ending = ending;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(index), Line{text, ending});
}

bool HasLineBreak(const char* text)
{
    return std::strpbrk(text, "\r\n") != nullptr;
}

} // namespace

void Parse(const std::string& content, IniFile& ini)
{
    std::size_t start = 0;
    while (start < content.size()) {
        const std::size_t newline = content.find('\n', start);
        Line line;
        if (newline == std::string::npos) {
            line.text = content.substr(start);
            start = content.size();
        }
        else {
            const bool crlf = newline > start && content[newline - 1] == '\r';
            line.text = content.substr(start, newline - start - (crlf ? 1 : 0));
            line.ending = crlf ? "\r\n" : "\n";
            start = newline + 1;
        }
        ini.lines.push_back(line);
    }
}

std::string Serialize(const IniFile& ini)
{
    std::string content;
    for (const Line& line : ini.lines)
        content += line.text + line.ending;
    return content;
}

std::string Lookup(const IniFile& ini, const char* section, const char* key, const char* defaultText)
{
    std::string fallback = defaultText != nullptr ? defaultText : "";
    if (section == nullptr || key == nullptr)
        return fallback;
    const std::size_t header = FindSection(ini.lines, Trim(section));
    if (header == ini.lines.size())
        return fallback;
    const std::size_t end = SectionEnd(ini.lines, header);
    std::size_t equals = 0;
    const std::size_t at = FindKey(ini.lines, header + 1, end, Trim(key), equals);
    if (at == end)
        return fallback;
    std::string value = Trim(ini.lines[at].text.substr(equals + 1));
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        value = value.substr(1, value.size() - 2);
    return value;
}

bool IsWritable(const char* section, const char* key, const char* value)
{
    return section != nullptr && key != nullptr && !HasLineBreak(section) && !HasLineBreak(key) &&
           (value == nullptr || !HasLineBreak(value)) && std::strchr(section, ']') == nullptr &&
           std::strchr(key, '=') == nullptr && !Trim(key).empty();
}

bool ApplyWrite(IniFile& ini, const char* section, const char* key, const char* value)
{
    const std::string sectionName = Trim(section);
    const std::string keyName = Trim(key);
    std::vector<Line>& lines = ini.lines;
    const std::string ending = LineEnding(lines);

    const std::size_t header = FindSection(lines, sectionName);
    if (header == lines.size()) {
        if (value == nullptr)
            return false;
        InsertLine(lines, lines.size(), "[" + sectionName + "]", ending);
        InsertLine(lines, lines.size(), keyName + "=" + value, ending);
        return true;
    }

    const std::size_t end = SectionEnd(lines, header);
    std::size_t equals = 0;
    const std::size_t at = FindKey(lines, header + 1, end, keyName, equals);
    if (at < end) {
        if (value == nullptr) {
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
        }
        else {
            // The key keeps its spelling and the spacing around '='; only the value changes.
            std::string& text = lines[at].text;
            const std::size_t valueStart = text.find_first_not_of(" \t", equals + 1);
            text = text.substr(0, valueStart == std::string::npos ? text.size() : valueStart) + value;
        }
        return true;
    }
    if (value == nullptr)
        return false;

    // A new key goes after the section's last non-blank line, before the blank lines that
    // separate it from the next section.
    std::size_t insertAt = end;
    while (insertAt > header + 1 && Trim(lines[insertAt - 1].text).empty())
        --insertAt;
    InsertLine(lines, insertAt, keyName + "=" + value, ending);
    return true;
}

} // namespace ini
} // namespace plat
