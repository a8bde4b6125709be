// SPDX-License-Identifier: MIT
#include "core/DataKinds.h"

#include "core/AppSettings.h"
#include "core/Detection.h"
#include "misc/CxCommWaitWindow.h"

#include "platform/Platform.h"

#include <string>

namespace
{

template <class Record> CxSGBaseUtil* BaseBridge()
{
    return BridgeOf<Record>();
}

} // namespace

constexpr DataKindInfo kDataKinds[kDataKindCount] = {
    {DataKind::Contacts, &SGAddrKind::kInfo, BaseBridge<SGAddrRecord>, &WorkSetData::pAddrDups, FindAddrDups,
     "Loading SugarCRM Contacts...", "contact", "Addr", "Contacts", "Contacts", "Contact", "Load All Contacts Data"},
    {DataKind::Calendar, &SGDateKind::kInfo, BaseBridge<SGDateRecord>, &WorkSetData::pDateDups, FindDateDups,
     "Loading SugarCRM Calendar...", "calendar", "Date", "Calendar", "Calendar", "Calendar", "Load All Calendar Data"},
    {DataKind::Tasks, &SGTaskKind::kInfo, BaseBridge<SGTaskRecord>, &WorkSetData::pTaskDups, FindTaskDups,
     "Loading SugarCRM Tasks...", "task", "Task", "Task", "Tasks", "Task", "Load All Tasks Data"},
    {DataKind::Notes, &SGNoteKind::kInfo, BaseBridge<SGNoteRecord>, &WorkSetData::pNoteDups, FindNoteDups,
     "Loading SugarCRM Notes...", "note", "Note", "Notes", "Notes", "Note", "Load All Notes Data"},
};

namespace
{

// RecordKind's index and the DataKind bit must name the row's own kind.
template <class Record> constexpr bool InItsRow()
{
    constexpr int nIndex = RecordKind<Record>::kIndex;
    return kDataKinds[nIndex].pfnBridge == BaseBridge<Record> && kDataKinds[nIndex].nFlag == 1 << nIndex;
}
static_assert(InItsRow<SGAddrRecord>() && InItsRow<SGDateRecord>() && InItsRow<SGTaskRecord>() &&
                  InItsRow<SGNoteRecord>(),
              "kDataKinds is in DataKind order");

} // namespace

bool IsKindChosen(const DataKindInfo& kind)
{
    return (AppSettings.AppFlag & kind.nFlag) != 0;
}

void ShowKindProgress(const DataKindInfo& kind, const char* szFolder)
{
    if (szFolder == nullptr)
        return;
    const std::string path = std::string(szFolder) + kind.pFiles->szStatusFile;
    if (path.size() < plat::kMaxPath)
        SetWaitProgressFile(path.c_str());
}
