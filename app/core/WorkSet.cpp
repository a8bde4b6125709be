// SPDX-License-Identifier: MIT
#include "core/WorkSet.h"

#include "SugarCRM/CxSGAddr.h"
#include "SugarCRM/CxSGDate.h"
#include "SugarCRM/CxSGNote.h"
#include "SugarCRM/CxSGTask.h"
#include "core/AppSettings.h"
#include "misc/CxCommWaitWindow.h"
#include "misc/CxDebugUtil.h"
#include "misc/CxList.h"

#include "platform/Platform.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <thread>
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

// What the wait window shows while one kind loads, in DataKind order.
struct KindLoadText
{
    int32_t nFlag;
    const char* szMessage;
    const char* szProgressFormat;
};

const KindLoadText kKindTexts[] = {
    {DataKind::Contacts, "Loading SugarCRM Contacts...", "%sSGAddrStatus.dat"},
    {DataKind::Calendar, "Loading SugarCRM Calendar...", "%sSGDateStatus.dat"},
    {DataKind::Tasks, "Loading SugarCRM Tasks...", "%sSGTaskStatus.dat"},
    {DataKind::Notes, "Loading SugarCRM Notes...", "%sSGNoteStatus.dat"},
};

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
    WorkSet.pAddrUtil = new (std::nothrow) CxSGAddrUtil();
    WorkSet.pDateUtil = new (std::nothrow) CxSGDateUtil();
    WorkSet.pTaskUtil = new (std::nothrow) CxSGTaskUtil();
    WorkSet.pNoteUtil = new (std::nothrow) CxSGNoteUtil();
    return WorkSet.pAddrUtil != nullptr && WorkSet.pDateUtil != nullptr && WorkSet.pTaskUtil != nullptr &&
           WorkSet.pNoteUtil != nullptr;
}

bool CreateLists()
{
    WorkSet.pAddrDups = new (std::nothrow) CxList();
    WorkSet.pDateDups = new (std::nothrow) CxList();
    WorkSet.pTaskDups = new (std::nothrow) CxList();
    WorkSet.pNoteDups = new (std::nothrow) CxList();
    return WorkSet.pAddrDups != nullptr && WorkSet.pDateDups != nullptr && WorkSet.pTaskDups != nullptr &&
           WorkSet.pNoteDups != nullptr;
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

bool LoadKind(CxSGBaseUtil& bridge, const KindLoadText& text, const char* szFolder)
{
    SetWaitMessage(text.szMessage);
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

    // A cut path would make the wait window delete some other file.
    char szProgressFile[plat::kMaxPath];
    const int nLength = std::snprintf(szProgressFile, sizeof szProgressFile, text.szProgressFormat, szFolder);
    if (nLength > 0 && static_cast<std::size_t>(nLength) < sizeof szProgressFile)
        SetWaitProgressFile(szProgressFile);

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
    DeleteSlot(WorkSet.pAddrUtil);
    DeleteSlot(WorkSet.pDateUtil);
    DeleteSlot(WorkSet.pTaskUtil);
    DeleteSlot(WorkSet.pNoteUtil);
    FreeList(WorkSet.pAddrDups);
    FreeList(WorkSet.pDateDups);
    FreeList(WorkSet.pTaskDups);
    FreeList(WorkSet.pNoteDups);
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
        CxSGBaseUtil* const bridges[] = {WorkSet.pAddrUtil, WorkSet.pDateUtil, WorkSet.pTaskUtil, WorkSet.pNoteUtil};
        for (int i = 0; i < 4; ++i) {
            if ((AppSettings.AppFlag & kKindTexts[i].nFlag) != 0 && !LoadKind(*bridges[i], kKindTexts[i], szFolder))
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
    for (const char* szName : {SGAddrKind::kInfo.szParamFile, SGDateKind::kInfo.szParamFile,
                               SGTaskKind::kInfo.szParamFile, SGNoteKind::kInfo.szParamFile}) {
        const std::string path = std::string(szFolder) + szName;
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
