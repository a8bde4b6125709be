// SPDX-License-Identifier: MIT
#include "platform/Platform.h"

#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstdio>

namespace plat
{

bool ReadFirstLineShared(const char* path, char* buf, std::size_t size)
{
    if (buf == nullptr || size == 0)
        return false;
    buf[0] = '\0';
    if (path == nullptr || path[0] == '\0' || size > INT_MAX)
        return false;
    // Close-on-exec: a helper started meanwhile on the other thread must not inherit the file.
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    FILE* file = fdopen(fd, "r");
    if (file == nullptr) {
        close(fd);
        return false;
    }
    const bool bRead = std::fgets(buf, static_cast<int>(size), file) != nullptr;
    std::fclose(file);
    if (!bRead)
        buf[0] = '\0';
    return bRead;
}

} // namespace plat
