// SPDX-License-Identifier: MIT
// The profile functions on POSIX: the ini text logic of IniText.h over plain files. A missing file
// reads as an empty one; a write replaces the file in one rename.
#include "platform/IniText.h"
#include "platform/Platform.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace plat
{
namespace
{

// False when the file exists but cannot be read; a missing file is an empty one.
bool LoadIni(const char* path, ini::IniFile& ini)
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
    ini::Parse(content, ini);
    return true;
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

// The mode a new file gets from the process's umask, read without changing it (umask() would
// change it for every other thread for a moment).
mode_t DefaultFileMode()
{
    std::FILE* f = std::fopen("/proc/self/status", "r");
    unsigned mask = 022;
    if (f != nullptr) {
        char line[128];
        while (std::fgets(line, sizeof line, f) != nullptr) {
            if (std::sscanf(line, "Umask: %o", &mask) == 1)
                break;
        }
        std::fclose(f);
    }
    return static_cast<mode_t>(0666 & ~mask);
}

// Writes the lines to a new file beside `path` and renames it over `path`. The file keeps the
// permission bits of the one it replaces; a new file gets the process default. The new file is
// owner-only while its bytes go in, so a file that holds a secret is never readable by others.
bool SaveIni(const char* path, const ini::IniFile& ini)
{
    const std::string content = ini::Serialize(ini);

    struct stat old = {};
    const bool hadMode = ini.exists && ::stat(path, &old) == 0;

    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = std::string(path) + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;

    bool ok = ::fchmod(fd, 0600) == 0 && WriteAll(fd, content);
    if (ok)
        ok = ::fchmod(fd, hadMode ? old.st_mode & 07777 : DefaultFileMode()) == 0;
    if (ok)
        ok = ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok)
        ok = ReplaceFile(temp.c_str(), path);
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

} // namespace

std::size_t GetPrivateProfileString(const char* section, const char* key, const char* defaultText, char* buf,
                                    std::size_t size, const char* file)
{
    if (buf == nullptr || size == 0)
        return 0;

    ini::IniFile ini;
    const bool bLoaded = section != nullptr && key != nullptr && file != nullptr && LoadIni(file, ini);
    const std::string value =
        bLoaded ? ini::Lookup(ini, section, key, defaultText) : std::string(defaultText != nullptr ? defaultText : "");

    const std::size_t n = AnsiFitLength(value.c_str(), size - 1);
    std::memcpy(buf, value.data(), n);
    buf[n] = '\0';
    return n;
}

bool WritePrivateProfileString(const char* section, const char* key, const char* value, const char* file)
{
    if (file == nullptr || !ini::IsWritable(section, key, value))
        return false;
    ini::IniFile ini;
    if (!LoadIni(file, ini))
        return false;
    // Removing what is not there leaves the file untouched.
    if (!ini::ApplyWrite(ini, section, key, value))
        return true;
    return SaveIni(file, ini);
}

} // namespace plat
