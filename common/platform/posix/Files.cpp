// SPDX-License-Identifier: MIT
#include "platform/Platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace plat
{

const char kPathSeparator = '/';

bool PathExists(const char* path)
{
    struct stat st
    {
    };
    return path != nullptr && path[0] != '\0' && stat(path, &st) == 0;
}

bool CreateFolder(const char* path)
{
    return path != nullptr && path[0] != '\0' && mkdir(path, 0700) == 0;
}

bool DeleteFile(const char* path)
{
    return path != nullptr && path[0] != '\0' && unlink(path) == 0;
}

bool CopyFile(const char* from, const char* to)
{
    if (from == nullptr || to == nullptr || from[0] == '\0' || to[0] == '\0')
        return false;
    const int in = open(from, O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    struct stat st
    {
    };
    const mode_t mode = fstat(in, &st) == 0 ? (st.st_mode & 0777) : 0600;
    const int out = open(to, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (out < 0) {
        close(in);
        return false;
    }
    bool ok = true;
    char buf[65536];
    for (;;) {
        const ssize_t n = read(in, buf, sizeof buf);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = write(out, buf + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                ok = false;
                break;
            }
            done += w;
        }
        if (!ok)
            break;
    }
    close(in);
    return close(out) == 0 && ok;
}

int64_t FileSize(const char* path)
{
    struct stat st
    {
    };
    if (path == nullptr || path[0] == '\0' || stat(path, &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return static_cast<int64_t>(st.st_size);
}

bool ReplaceFile(const char* source, const char* target)
{
    return source != nullptr && target != nullptr && std::rename(source, target) == 0;
}

void RestrictToOwner(const char* path)
{
    if (path != nullptr && path[0] != '\0')
        chmod(path, 0600);
}

bool GetModuleFileName(std::string& path)
{
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return false;
    path.assign(buf, static_cast<std::size_t>(n));
    return true;
}

bool GetCurrentDir(std::string& dir)
{
    char buf[4096];
    if (getcwd(buf, sizeof buf) == nullptr)
        return false;
    dir = buf;
    return true;
}

bool SetCurrentDir(const char* dir)
{
    return dir != nullptr && dir[0] != '\0' && chdir(dir) == 0;
}

} // namespace plat
