// SPDX-License-Identifier: MIT
#include "misc/WinUtil.h"

#include "platform/Platform.h"

#include <cstring>
#include <string>

int GetModuleFolder(void* hModule, char* szBuf)
{
    if (szBuf == nullptr)
        return 0;
    szBuf[0] = '\0';
    // Only the executable's own file can be asked for.
    std::string path;
    if (hModule != nullptr || !plat::GetModuleFileName(path))
        return 0;
    // Windows accepts '/' as a separator too; elsewhere it is the only one.
    const char separators[] = {plat::kPathSeparator, '/', '\0'};
    const std::size_t last = path.find_last_of(separators);
    // A folder that does not fit the buffer whole would name another folder.
    if (last == std::string::npos || last + 1 >= 260)
        return 0;
    std::memcpy(szBuf, path.data(), last + 1);
    szBuf[last + 1] = '\0';
    return 1;
}

int ShellOpen(const char* szTarget)
{
    if (szTarget == nullptr || szTarget[0] == '\0')
        return 0;
    plat::ShellOpen(szTarget);
    return 1;
}
