// SPDX-License-Identifier: MIT
#include "SugarCRM/CxSGDate.h"

#include "SugarCRM/CxSGParamParser.h"
#include "SugarCRM/CxSGRecordBridgeImpl.h"
#include "SugarCRM/SGParamTags.h"

const SGKindInfo SGDateKind::kInfo = {
    "SGDate.dat",
    "SGDateErr.dat",
    "SGDateStatus.dat",
    "SGDateParam.dat",
    "%sSGDate.ini",
    "Quorvel.SGDateUtil.exe",
    "Start loading SugarCRM Calendar.",
    "Load SugarCRM Calendar information successfully.",
    "Failed to load SugarCRM Calendar information.",
    "Start loading SugarCRM Calendar from temperary file: %s",
    "There are %d Calendar event records in total.",
    "Load SugarCRM Calendar information from file successfully.",
    "Start saving SugarCRM Calendar information to file: %s",
    "Save SugarCRM Calendar information to file successfully.",
    nullptr,
    "SGDateKeep.dat",
    "SGDateMerged.dat",
};

namespace
{

// The event's items in file order: the layout the helper reads and writes byte for byte.
template <class Visit, class Rec> void VisitFields(Visit& visit, Rec& r)
{
    visit(r.nStatus);
    visit(r.nAux);
    visit(r.nType);
    visit(r.szId);
    visit(r.szSubject);
    visit(r.dtStart);
    visit(r.dtEnd);
    visit(r.nAux1);
    visit(r.nAux2);
    visit(r.szStatus);
    visit(r.szAux1);
    visit(r.dtAux);
    visit(r.szContactId);
    visit(r.szAssignedId);
    visit(r.szLocation);
    visit(r.szAux2);
    visit(r.szAux3);
    visit(r.szAux4);
    visit(r.szDescription);
    visit(r.dtCreated);
    visit(r.dtModified);
}

} // namespace

void SGDateKind::ReadRecord(CxFile& file, SGDateRecord& record)
{
    SGFieldReader reader(file);
    VisitFields(reader, record);
}

void SGDateKind::WriteRecord(CxFile& file, const SGDateRecord& record)
{
    SGFieldWriter writer(file);
    VisitFields(writer, record);
}

void CxSGDateUtil::AddKindParams(CxSGParamParser& params)
{
    params.SetParam(SGParam::CalendarAux1, "0");
    params.SetParam(SGParam::CalendarAux2, "0");
    params.SetParam(SGParam::CalendarFlag1, "1");
    params.SetParam(SGParam::CalendarFlag2, "1");
}

template class CxSGRecordBridge<SGDateKind>;
