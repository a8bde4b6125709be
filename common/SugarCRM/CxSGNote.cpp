// SPDX-License-Identifier: MIT
#include "SugarCRM/CxSGNote.h"

#include "SugarCRM/CxSGRecordBridgeImpl.h"

const SGKindInfo SGNoteKind::kInfo = {
    "SGNote.dat",
    "SGNoteErr.dat",
    "SGNoteStatus.dat",
    "SGNoteParam.dat",
    "%sSGNote.ini",
    "Quorvel.SGNoteUtil.exe",
    "Start loading SugarCRM Notes.",
    "Load SugarCRM Notes information successfully.",
    "Failed to load SugarCRM Notes information.",
    "Start loading SugarCRM Notes from temperary file: %s",
    "There are %d Notes records in total.",
    "Load SugarCRM Notes information from file successfully.",
    "Start saving SugarCRM Notes information to file: %s",
    "Save SugarCRM Notes information to file successfully.",
    "SGNoteIds.dat",
    "SGNoteKeep.dat",
    "SGNoteMerged.dat",
};

void SGNoteKind::ReadRecord(CxFile& file, SGNoteRecord& record)
{
    SGFieldReader reader(file);
    reader(record.nStatus);
    reader(record.nAux);
}

void SGNoteKind::WriteRecord(CxFile& file, const SGNoteRecord& record)
{
    SGFieldWriter writer(file);
    writer(record.nStatus);
    writer(record.nAux);
}

template class CxSGRecordBridge<SGNoteKind>;
