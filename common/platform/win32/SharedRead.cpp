// SPDX-License-Identifier: MIT
#include "platform/Platform.h"

#include <share.h>

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
    // Text mode turns CR LF into LF. "N" keeps the handle out of a helper that the other thread
    // starts meanwhile with inherited handles: held open there, the file could not be deleted
    // before the next run.
    FILE* file = _fsopen(path, "rN", _SH_DENYNO);
    if (file == nullptr)
        return false;
    const bool bRead = std::fgets(buf, static_cast<int>(size), file) != nullptr;
    std::fclose(file);
    if (!bRead)
        buf[0] = '\0';
    return bRead;
}

} // namespace plat
