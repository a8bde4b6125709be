// SPDX-License-Identifier: MIT
#include "platform/Platform.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <vector>

namespace plat
{
namespace
{
std::mutex g_rootLock;
std::string g_testRoot;

// The home folder from the password database: the system reads no environment variables.
bool HomeFolder(std::string& home)
{
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buf(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd pw{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) != 0 || found == nullptr ||
        found->pw_dir == nullptr || found->pw_dir[0] == '\0')
        return false;
    home = found->pw_dir;
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    return true;
}

bool EnsureFolder(const std::string& path)
{
    return PathExists(path.c_str()) || CreateFolder(path.c_str());
}
} // namespace

void SetAppDataRootForTesting(const std::string& root)
{
    std::lock_guard<std::mutex> lock(g_rootLock);
    g_testRoot = root;
    while (g_testRoot.size() > 1 && g_testRoot.back() == '/')
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
    std::string home;
    if (!HomeFolder(home))
        return false;
    // Like CSIDL_FLAG_CREATE: the data root is created when it is missing.
    const std::string local = home + "/.local";
    const std::string share = local + "/share";
    if (!EnsureFolder(local) || !EnsureFolder(share))
        return false;
    root = share;
    return true;
}

} // namespace plat
