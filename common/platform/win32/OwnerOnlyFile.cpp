// SPDX-License-Identifier: MIT
#include "platform/Platform.h"

#include "Win32.h"

#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>

namespace plat
{
namespace
{
// The user this program runs as, as a SID string ("S-1-5-21-..."); empty when it cannot be told.
std::string CurrentUserSid()
{
    HANDLE hToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &hToken))
        return std::string();
    std::string sid;
    DWORD nSize = 0;
    GetTokenInformation(hToken, TokenUser, nullptr, 0, &nSize);
    std::vector<unsigned char> user(nSize);
    char* szSid = nullptr;
    if (nSize > 0 && GetTokenInformation(hToken, TokenUser, user.data(), nSize, &nSize) &&
        ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &szSid)) {
        sid = szSid;
        LocalFree(szSid);
    }
    CloseHandle(hToken);
    return sid;
}

// Full access for this user and the system, and nothing inherited from the folder: the machine-wide
// data folder lets every local user read what it holds. The user is named by SID rather than as
// "owner rights", which some implementations map to no access at all, not even for deleting.
struct OwnerOnlyDescriptor
{
    OwnerOnlyDescriptor()
    {
        const std::string sid = CurrentUserSid();
        if (sid.empty())
            return;
        const std::string sddl = "D:P(A;;FA;;;" + sid + ")(A;;FA;;;SY)";
        ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &pSd, nullptr);
    }
    ~OwnerOnlyDescriptor() { LocalFree(pSd); }
    OwnerOnlyDescriptor(const OwnerOnlyDescriptor&) = delete;
    OwnerOnlyDescriptor& operator=(const OwnerOnlyDescriptor&) = delete;

    PSECURITY_DESCRIPTOR pSd = nullptr;
};
} // namespace

bool CreateOwnerOnlyFile(const char* path)
{
    if (path == nullptr || path[0] == '\0')
        return false;
    OwnerOnlyDescriptor descriptor;
    if (descriptor.pSd == nullptr)
        return false;
    SECURITY_ATTRIBUTES sa{sizeof sa, descriptor.pSd, FALSE};
    // An overwritten file keeps its old access list, so an earlier file goes first; if it cannot,
    // the new one is not made.
    DeleteFileA(path);
    const HANDLE hFile = CreateFileA(path, GENERIC_WRITE, 0, &sa, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    // The handle is open for writing only; the access list can be read back through the path.
    return CloseHandle(hFile) != FALSE;
}

void RestrictToOwner(const char* path)
{
    if (path == nullptr || path[0] == '\0')
        return;
    OwnerOnlyDescriptor descriptor;
    BOOL bPresent = FALSE;
    BOOL bDefaulted = FALSE;
    PACL pDacl = nullptr;
    if (descriptor.pSd == nullptr || !GetSecurityDescriptorDacl(descriptor.pSd, &bPresent, &pDacl, &bDefaulted))
        return;
    SetNamedSecurityInfoA(const_cast<char*>(path), SE_FILE_OBJECT,
                          DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr, pDacl,
                          nullptr);
}

} // namespace plat
