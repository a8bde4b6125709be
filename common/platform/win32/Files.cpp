// SPDX-License-Identifier: MIT
#include "platform/Platform.h"

#include "platform/win32/Win32.h"

namespace plat
{

const char kPathSeparator = '\\';

namespace
{
bool IsGiven(const char* path)
{
    return path != nullptr && path[0] != '\0';
}
} // namespace

bool PathExists(const char* path)
{
    return IsGiven(path) && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool CreateFolder(const char* path)
{
    return IsGiven(path) && CreateDirectoryA(path, nullptr) != FALSE;
}

bool DeleteFile(const char* path)
{
    return IsGiven(path) && DeleteFileA(path) != FALSE;
}

bool CopyFile(const char* from, const char* to)
{
    // bFailIfExists FALSE: the target is replaced.
    return IsGiven(from) && IsGiven(to) && CopyFileA(from, to, FALSE) != FALSE;
}

int64_t FileSize(const char* path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!IsGiven(path) || !GetFileAttributesExA(path, GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool ReplaceFile(const char* source, const char* target)
{
    return IsGiven(source) && IsGiven(target) && MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool GetModuleFileName(std::string& path)
{
    char szPath[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    // A full buffer means the path was cut, and a cut path names another file.
    if (n == 0 || n >= MAX_PATH)
        return false;
    path.assign(szPath, n);
    return true;
}

bool GetCurrentDir(std::string& dir)
{
    const DWORD needed = GetCurrentDirectoryA(0, nullptr);
    if (needed == 0)
        return false;
    std::string buf(needed, '\0');
    const DWORD n = GetCurrentDirectoryA(needed, &buf[0]);
    if (n == 0 || n >= needed)
        return false;
    buf.resize(n);
    dir = buf;
    return true;
}

bool SetCurrentDir(const char* dir)
{
    return IsGiven(dir) && SetCurrentDirectoryA(dir) != FALSE;
}

} // namespace plat
