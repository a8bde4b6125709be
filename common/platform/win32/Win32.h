// SPDX-License-Identifier: MIT
// <windows.h> for the Windows sources of the platform layer. Windows maps several of its names to
// their ANSI or wide variants by macros (DeleteFile to DeleteFileA...); the layer's own functions
// of the same names would be renamed with them, so those macros are removed here.
#pragma once

#include <windows.h>

#undef CopyFile
#undef DeleteFile
#undef GetModuleFileName
#undef GetPrivateProfileString
#undef ReplaceFile
#undef WritePrivateProfileString

#include "platform/Platform.h"

namespace plat
{

// The calendar fields are SYSTEMTIME's, member for member.
inline SystemTime FromSystemTime(const SYSTEMTIME& fields)
{
    return SystemTime{fields.wYear, fields.wMonth,  fields.wDayOfWeek, fields.wDay,
                      fields.wHour, fields.wMinute, fields.wSecond,    fields.wMilliseconds};
}

inline SYSTEMTIME ToSystemTime(const SystemTime& st)
{
    SYSTEMTIME fields = {};
    fields.wYear = st.wYear;
    fields.wMonth = st.wMonth;
    fields.wDayOfWeek = st.wDayOfWeek;
    fields.wDay = st.wDay;
    fields.wHour = st.wHour;
    fields.wMinute = st.wMinute;
    fields.wSecond = st.wSecond;
    fields.wMilliseconds = st.wMilliseconds;
    return fields;
}

} // namespace plat
