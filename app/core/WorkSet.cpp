// SPDX-License-Identifier: MIT
#include "core/WorkSet.h"

#include "core/AppSettings.h"
#include "core/DataKinds.h"
#include "misc/CxCommWaitWindow.h"
#include "misc/CxDebugUtil.h"
#include "misc/CxList.h"

#include "platform/Platform.h"

#include <chrono>
#include <cstring>
#include <new>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>

WorkSetData WorkSet;

namespace
{

constexpr int kLoadPauseMs = 200;

LoadPauseFunc g_pfnLoadPause = SleepPause;
std::string g_loadFailure;

// Every field of a bridge holds at most 255 characters: a longer folder would be cut into its
// parent, where the helper would not write.
constexpr std::size_t kMaxBridgeFolder = 255;

template <class T> void DeleteSlot(T*& pSlot)
{
    delete pSlot;
    pSlot = nullptr;
}

void FreeList(CxList*& pList)
{
    if (pList != nullptr)
        pList->RemoveAll(false);
    DeleteSlot(pList);
}

bool CreateBridges()
{
    bool bCreated = true;
    ForEachRecordKind([&bCreated](auto tag) {
        auto*& pBridge = tag.Bridge();
        pBridge = new (std::nothrow) std::remove_reference_t<decltype(*pBridge)>();
        bCreated = bCreated && pBridge != nullptr;
    });
    return bCreated;
}

bool CreateLists()
{
    bool bCreated = true;
    for (const DataKindInfo& kind : kDataKinds) {
        WorkSet.*kind.pDups = new (std::nothrow) CxList();
        bCreated = bCreated && WorkSet.*kind.pDups != nullptr;
    }
    return bCreated;
}

// The contact sources ticked on the login page decide what the contacts helper fetches: records of
// a module the user left out must never be offered for deletion.
std::string ContactModules()
{
    std::string modules;
    const std::pair<bool, const char*> sources[] = {
        {AppSettings.AddrContact, "Contacts"}, {AppSettings.AddrAccount, "Accounts"}, {AppSettings.AddrLead, "Leads"}};
    for (const auto& source : sources) {
        if (!source.first)
            continue;
        if (!modules.empty())
            modules += ',';
        modules += source.second;
    }
    return modules;
}

bool LoadKind(CxSGBaseUtil& bridge, const DataKindInfo& kind, const char* szFolder)
{
    SetWaitMessage(kind.szLoadMessage);
    g_pfnLoadPause(kLoadPauseMs);

    bridge.SetWorkFolder(szFolder);
    bridge.SetUserName(AppSettings.UserName);
    bridge.SetPassword(AppSettings.Password);
    bridge.SetHostName(AppSettings.HostName);
    bridge.SetHelperLogLocation(szFolder);
    bridge.SetHelperLogEnabled(AppSettings.DebugEnabled);
    bridge.SetHelperLogLevel(AppSettings.DebugLevel);
    if (&bridge == WorkSet.pAddrUtil)
        bridge.SetHelperModules(ContactModules().c_str());

    ShowKindProgress(kind, szFolder);

    if (bridge.Load())
        return true;
    if (bridge.HasError() && bridge.GetError()[0] != '\0') {
        if (!g_loadFailure.empty())
            g_loadFailure += '\n';
        g_loadFailure += bridge.GetError();
    }
    return false;
}

} // namespace

void FreeWorkSet()
{
    ForEachRecordKind([](auto tag) { DeleteSlot(tag.Bridge()); });
    for (const DataKindInfo& kind : kDataKinds)
        FreeList(WorkSet.*kind.pDups);
}

bool LoadSelectedData()
{
    g_loadFailure.clear();
    FreeWorkSet();
    if (!CreateBridges()) {
        FreeWorkSet();
        return false;
    }

    // Without the folder every exchange file would land wherever the bridges happen to point, so
    // no helper is run at all; the lists are still made, as after any other failed load.
    char szFolder[plat::kMaxPath] = {};
    bool bLoaded = GetAppDataFolder(szFolder);
    if (!bLoaded) {
        DEBUG_LOG(LOG_CRITICAL, "Cannot determine the application data folder; nothing is loaded.");
    }
    else if (std::strlen(szFolder) > kMaxBridgeFolder) {
        DEBUG_LOG(LOG_CRITICAL, "The application data folder is longer than %d characters; nothing is loaded: %s",
                  static_cast<int>(kMaxBridgeFolder), szFolder);
        bLoaded = false;
    }
    else {
        for (const DataKindInfo& kind : kDataKinds) {
            if (IsKindChosen(kind) && !LoadKind(*kind.pfnBridge(), kind, szFolder))
                bLoaded = false;
        }
    }

    if (!CreateLists()) {
        FreeWorkSet();
        return false;
    }
    return bLoaded;
}

const std::string& LoadFailureReason()
{
    return g_loadFailure;
}

void DeleteLeftoverParamFiles(const char* szFolder)
{
    if (szFolder == nullptr || szFolder[0] == '\0')
        return;
    for (const DataKindInfo& kind : kDataKinds) {
        const std::string path = std::string(szFolder) + kind.pFiles->szParamFile;
        if (plat::DeleteFile(path.c_str()))
            DEBUG_LOG(LOG_MEDIUM, "Deleted a parameter file left by an earlier run: %s", path.c_str());
    }
}

void SleepPause(int nMilliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(nMilliseconds));
}

void SetLoadPauseForTesting(LoadPauseFunc pfnPause)
{
    g_pfnLoadPause = pfnPause != nullptr ? pfnPause : SleepPause;
}
