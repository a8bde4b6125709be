// SPDX-License-Identifier: MIT
// Ini files read and written the way the Windows profile functions treat them: section and key
// names compared without regard to ASCII case, blanks around names and values ignored, the first
// matching section and the first matching key in it win. A write changes one line (or adds one or
// two) and keeps every other byte of the file; the new file replaces the old one in one rename.
#include "platform/Platform.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace plat
{
namespace
{

struct Line
{
    std::string text;   // without its line ending
    std::string ending; // "\r\n", "\n", or "" for a last line without one
};

struct IniFile
{
    std::vector<Line> lines;
    bool exists = false;
};

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

// False when the file exists but cannot be read; a missing file is an empty one.
bool LoadIni(const char* path, IniFile& ini)
{
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr)
        return errno == ENOENT;
    std::string content;
    char chunk[4096];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        content.append(chunk, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed)
        return false;

    ini.exists = true;
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

bool WriteAll(int fd, const std::string& content)
{
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes the lines to a new file beside `path` and renames it over `path`. The file keeps the
// permission bits of the one it replaces; a new file gets the process default.
bool SaveIni(const char* path, const IniFile& ini)
{
    std::string content;
    for (const Line& line : ini.lines)
        content += line.text + line.ending;

    struct stat old = {};
    const bool hadMode = ini.exists && ::stat(path, &old) == 0;

    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = std::string(path) + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;

    bool ok = WriteAll(fd, content);
    if (ok && hadMode)
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    if (ok)
        ok = ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok)
        ok = ReplaceFile(temp.c_str(), path);
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

bool HasLineBreak(const char* text)
{
    return std::strpbrk(text, "\r\n") != nullptr;
}

} // namespace

std::size_t GetPrivateProfileString(const char* section, const char* key, const char* defaultText, char* buf,
                                    std::size_t size, const char* file)
{
    if (buf == nullptr || size == 0)
        return 0;

    std::string value = defaultText != nullptr ? defaultText : "";
    IniFile ini;
    if (section != nullptr && key != nullptr && file != nullptr && LoadIni(file, ini)) {
        const std::size_t header = FindSection(ini.lines, Trim(section));
        if (header < ini.lines.size()) {
            const std::size_t end = SectionEnd(ini.lines, header);
            std::size_t equals = 0;
            const std::size_t at = FindKey(ini.lines, header + 1, end, Trim(key), equals);
            if (at < end) {
                value = Trim(ini.lines[at].text.substr(equals + 1));
                if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
                    value = value.substr(1, value.size() - 2);
            }
        }
    }

    const std::size_t n = AnsiFitLength(value.c_str(), size - 1);
    std::memcpy(buf, value.data(), n);
    buf[n] = '\0';
    return n;
}

bool WritePrivateProfileString(const char* section, const char* key, const char* value, const char* file)
{
    // A line break in any part, '=' in the key or ']' in the section name would write lines
    // that read back as other keys or sections: such a write is refused.
    if (section == nullptr || key == nullptr || file == nullptr || HasLineBreak(section) || HasLineBreak(key) ||
        (value != nullptr && HasLineBreak(value)) || std::strchr(section, ']') != nullptr ||
        std::strchr(key, '=') != nullptr)
        return false;
    const std::string sectionName = Trim(section);
    const std::string keyName = Trim(key);
    if (keyName.empty())
        return false;

    IniFile ini;
    if (!LoadIni(file, ini))
        return false;
    std::vector<Line>& lines = ini.lines;
    const std::string ending = LineEnding(lines);

    const std::size_t header = FindSection(lines, sectionName);
    if (header == lines.size()) {
        if (value == nullptr)
            return true;
        InsertLine(lines, lines.size(), "[" + sectionName + "]", ending);
        InsertLine(lines, lines.size(), keyName + "=" + value, ending);
        return SaveIni(file, ini);
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
        return SaveIni(file, ini);
    }
    if (value == nullptr)
        return true;

    // A new key goes after the section's last non-blank line, before the blank lines that
    // separate it from the next section.
    std::size_t insertAt = end;
    while (insertAt > header + 1 && Trim(lines[insertAt - 1].text).empty())
        --insertAt;
    InsertLine(lines, insertAt, keyName + "=" + value, ending);
    return SaveIni(file, ini);
}

} // namespace plat
