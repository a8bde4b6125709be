// SPDX-License-Identifier: MIT
#include "SugarCRM/CxSGTask.h"

#include "SugarCRM/CxSGRecordBridgeImpl.h"

const SGKindInfo SGTaskKind::kInfo = {
    "SGTask.dat",
    "SGTaskErr.dat",
    "SGTaskStatus.dat",
    "SGTaskParam.dat",
    "%sSGTask.ini",
    "Quorvel.SGTaskUtil.exe",
    "Start loading SugarCRM Tasks.",
    "Load SugarCRM Tasks information successfully.",
    "Failed to load SugarCRM Tasks information.",
    "Start loading SugarCRM Tasks from temperary file: %s",
    "There are %d Tasks records in total.",
    "Load SugarCRM Tasks information from file successfully.",
    "Start saving SugarCRM Tasks information to file: %s",
    "Save SugarCRM Tasks information to file successfully.",
    nullptr,
    "SGTaskKeep.dat",
    "SGTaskMerged.dat",
};

namespace
{

// The task's items in file order (a task has no nType); byAux1 and byAux2 travel as 4-byte flags.
template <class Visit, class Rec> void VisitFields(Visit& visit, Rec& r)
{
    visit(r.nStatus);
    visit(r.nAux);
    visit(r.szId);
    visit(r.szSubject);
    visit(r.szDescription);
    visit(r.dtAux);
    visit(r.dtDue);
    visit(r.byAux1);
    visit(r.byAux2);
    visit(r.szStatus);
    visit(r.szPriority);
    visit(r.szContactId);
    visit(r.szAssignedId);
    visit(r.dtCreated);
    visit(r.dtModified);
}

} // namespace

void SGTaskKind::ReadRecord(CxFile& file, SGTaskRecord& record)
{
    SGFieldReader reader(file);
    VisitFields(reader, record);
}

void SGTaskKind::WriteRecord(CxFile& file, const SGTaskRecord& record)
{
    SGFieldWriter writer(file);
    VisitFields(writer, record);
}

template class CxSGRecordBridge<SGTaskKind>;
