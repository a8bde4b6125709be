// SPDX-License-Identifier: MIT
#include "platform/Platform.h"

#include "platform/win32/Win32.h"
#include <shlobj.h>

#include <mutex>

namespace plat
{
namespace
{
std::mutex g_rootLock;
std::string g_testRoot;

// CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE: the machine-wide data folder, created when missing.
constexpr int kCommonAppDataCreate = 0x8023;

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}
} // namespace

void SetAppDataRootForTesting(const std::string& root)
{
    std::lock_guard<std::mutex> lock(g_rootLock);
    g_testRoot = root;
    // "C:\" keeps its separator: without it the text names the drive's current directory.
    while (g_testRoot.size() > 3 && IsSeparator(g_testRoot.back()))
        g_testRoot.pop_back();
}

bool GetAppDataRoot(std::string& root)
{
    {
        std::lock_guard<std::mutex> lock(g_rootLock);
        if (!g_testRoot.empty()) {
            root = g_testRoot;
            return true;
        }
    }
    char szPath[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, kCommonAppDataCreate, nullptr, 0, szPath)) || szPath[0] == '\0')
        return false;
    root = szPath;
    return true;
}

} // namespace plat
