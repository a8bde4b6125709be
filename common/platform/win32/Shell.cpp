// SPDX-License-Identifier: MIT
#include "platform/Platform.h"

#include "platform/win32/Win32.h"
#include <shellapi.h>

namespace plat
{

void ShellOpen(const char* target)
{
    if (target == nullptr || target[0] == '\0')
        return;
    ShellExecuteA(nullptr, "open", target, "", "", SW_SHOW);
}

} // namespace plat
