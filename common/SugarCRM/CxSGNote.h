// SPDX-License-Identifier: MIT
#pragma once

#include "SugarCRM/CxSGRecordBridge.h"
#include "records/CommStores.h"

struct SGNoteKind
{
    using Record = SGNoteRecord;
    using Entry = CommNoteEntry;
    using Store = CommNoteMgr;
    static const SGKindInfo kInfo;
    static void ReadRecord(CxFile& file, SGNoteRecord& record);
    static void WriteRecord(CxFile& file, const SGNoteRecord& record);
};

// The bridge for SugarCRM notes. A note carries no content, only its change state.
class CxSGNoteUtil : public CxSGRecordBridge<SGNoteKind>
{
};
