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

const DataKindInfo kDataKinds[kDataKindCount] = {
    {DataKind::Contacts, &SGAddrKind::kInfo, BaseBridge<SGAddrRecord>, &WorkSetData::pAddrDups, FindAddrDups,
     "Loading SugarCRM Contacts...", "contact", "Addr", "Contacts", "Contacts", "Contact", "Load All Contacts Data"},
    {DataKind::Calendar, &SGDateKind::kInfo, BaseBridge<SGDateRecord>, &WorkSetData::pDateDups, FindDateDups,
     "Loading SugarCRM Calendar...", "calendar", "Date", "Calendar", "Calendar", "Calendar", "Load All Calendar Data"},
    {DataKind::Tasks, &SGTaskKind::kInfo, BaseBridge<SGTaskRecord>, &WorkSetData::pTaskDups, FindTaskDups,
     "Loading SugarCRM Tasks...", "task", "Task", "Task", "Tasks", "Task", "Load All Tasks Data"},
    {DataKind::Notes, &SGNoteKind::kInfo, BaseBridge<SGNoteRecord>, &WorkSetData::pNoteDups, FindNoteDups,
     "Loading SugarCRM Notes...", "note", "Note", "Notes", "Notes", "Note", "Load All Notes Data"},
};

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
