// SPDX-License-Identifier: MIT
#include "platform/IniText.h"
#include "platform/Platform.h"

#include "platform/win32/Win32.h"

#include <cstring>

namespace plat
{

std::size_t GetPrivateProfileString(const char* section, const char* key, const char* defaultText, char* buf,
                                    std::size_t size, const char* file)
{
    if (buf == nullptr || size == 0)
        return 0;
    const char* szDefault = defaultText != nullptr ? defaultText : "";
    // A null section or key would ask Windows for the list of names instead of one value.
    if (section == nullptr || key == nullptr || file == nullptr) {
        const std::size_t n = AnsiFitLength(szDefault, size - 1);
        std::memcpy(buf, szDefault, n);
        buf[n] = '\0';
        return n;
    }
    const DWORD nSize = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
    return GetPrivateProfileStringA(section, key, szDefault, buf, nSize, file);
}

bool WritePrivateProfileString(const char* section, const char* key, const char* value, const char* file)
{
    // Windows would write a line break or a stray '=' or ']' as it stands, and the file would read
    // back with other keys or sections than were written; the same writes are refused everywhere.
    if (file == nullptr || !ini::IsWritable(section, key, value))
        return false;
    return WritePrivateProfileStringA(section, key, value, file) != FALSE;
}

} // namespace plat
