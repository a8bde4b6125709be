// SPDX-License-Identifier: MIT
#include "platform/Platform.h"

#include <sys/syscall.h>
#include <sys/time.h>
#include <unistd.h>

#include <ctime>

namespace plat
{

void GetLocalTime(SystemTime& st)
{
    timeval tv{};
    gettimeofday(&tv, nullptr);
    const time_t now = tv.tv_sec;
    tm local{};
    localtime_r(&now, &local);
    st.wYear = static_cast<uint16_t>(local.tm_year + 1900);
    st.wMonth = static_cast<uint16_t>(local.tm_mon + 1);
    st.wDayOfWeek = static_cast<uint16_t>(local.tm_wday);
    st.wDay = static_cast<uint16_t>(local.tm_mday);
    st.wHour = static_cast<uint16_t>(local.tm_hour);
    st.wMinute = static_cast<uint16_t>(local.tm_min);
    st.wSecond = static_cast<uint16_t>(local.tm_sec);
    st.wMilliseconds = static_cast<uint16_t>(tv.tv_usec / 1000);
}

unsigned long CurrentThreadId()
{
    return static_cast<unsigned long>(syscall(SYS_gettid));
}

} // namespace plat
