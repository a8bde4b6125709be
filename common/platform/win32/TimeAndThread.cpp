// SPDX-License-Identifier: MIT
#include "platform/Platform.h"

#include "platform/win32/Win32.h"

namespace plat
{

void GetLocalTime(SystemTime& st)
{
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    st = FromSystemTime(now);
}

unsigned long CurrentThreadId()
{
    return GetCurrentThreadId();
}

} // namespace plat
