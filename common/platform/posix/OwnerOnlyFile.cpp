// SPDX-License-Identifier: MIT
#include "platform/Platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat
{

bool CreateOwnerOnlyFile(const char* path)
{
    if (path == nullptr || path[0] == '\0')
        return false;
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    // The mode given to open applies only to a new file; an existing one keeps its own.
    const bool bRestricted = fchmod(fd, 0600) == 0;
    return close(fd) == 0 && bRestricted;
}

} // namespace plat
