// SPDX-License-Identifier: MIT
#include "SugarCRM/CxSGAddr.h"

#include "SugarCRM/CxSGRecordBridgeImpl.h"

const SGKindInfo SGAddrKind::kInfo = {
    "SGAddr.dat",
    "SGAddrErr.dat",
    "SGAddrStatus.dat",
    "SGAddrParam.dat",
    "%sSGAddr.ini",
    "Quorvel.SGAddrUtil.exe",
    "Start loading SugarCRM Contacts.",
    "Load SugarCRM Contacts information successfully.",
    "Failed to load SugarCRM Contacts information.",
    "Start loading SugarCRM Contacts from temperary file: %s",
    "There are %d Contact records in total.",
    "Load SugarCRM Contacts information from file successfully.",
    "Start saving SugarCRM Contacts information to file: %s",
    "Save SugarCRM Contacts information to file successfully.",
    nullptr,
    "SGAddrKeep.dat",
    "SGAddrMerged.dat",
};

namespace
{

// The contact's items in file order: the layout the helper reads and writes byte for byte.
template <class Visit, class Rec> void VisitFields(Visit& visit, Rec& r)
{
    visit(r.nStatus);
    visit(r.nAux);
    visit(r.nType);
    visit(r.szId);
    visit(r.szSalutation);
    visit(r.szFirstName);
    visit(r.szLastName);
    visit(r.szJobTitle);
    visit(r.szDepartment);
    visit(r.bDoNotCall);
    visit(r.szWorkPhone);
    visit(r.szHomePhone);
    visit(r.szMobilePhone);
    visit(r.szOtherPhone);
    visit(r.szFax);
    visit(r.szEmail1);
    visit(r.szEmail2);
    visit(r.szEmail3);
    visit(r.szPrimaryStreet);
    visit(r.szPrimaryCity);
    visit(r.szPrimaryState);
    visit(r.szPrimaryPostalCode);
    visit(r.szPrimaryCountry);
    visit(r.szAltStreet);
    visit(r.szAltCity);
    visit(r.szAltState);
    visit(r.szAltPostalCode);
    visit(r.szAltCountry);
    visit(r.szAssistantName);
    visit(r.szAssistantPhone);
    visit(r.szLeadSource);
    visit(r.szWebsite);
    visit(r.dtBirthDate);
    visit(r.szDescription);
    visit(r.dtCreated);
    visit(r.dtModified);
}

} // namespace

void SGAddrKind::ReadRecord(CxFile& file, SGAddrRecord& record)
{
    SGFieldReader reader(file);
    VisitFields(reader, record);
}

void SGAddrKind::WriteRecord(CxFile& file, const SGAddrRecord& record)
{
    SGFieldWriter writer(file);
    VisitFields(writer, record);
}

template class CxSGRecordBridge<SGAddrKind>;
