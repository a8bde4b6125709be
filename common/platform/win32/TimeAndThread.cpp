// SPDX-License-Identifier: MIT
#include "platform/Platform.h"

#include "platform/win32/Win32.h"

namespace plat
{

void GetLocalTime(SystemTime& st)
{
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    st.wYear = now.wYear;
    st.wMonth = now.wMonth;
    st.wDayOfWeek = now.wDayOfWeek;
    st.wDay = now.wDay;
    st.wHour = now.wHour;
    st.wMinute = now.wMinute;
    st.wSecond = now.wSecond;
    st.wMilliseconds = now.wMilliseconds;
}

unsigned long CurrentThreadId()
{
    return GetCurrentThreadId();
}

} // namespace plat
