// SPDX-License-Identifier: MIT
#pragma once

#include "SugarCRM/CxSGRecordBridge.h"
#include "records/CommStores.h"

struct SGTaskKind
{
    using Record = SGTaskRecord;
    using Entry = CommTaskEntry;
    using Store = CommTaskMgr;
    static const SGKindInfo kInfo;
    static void ReadRecord(CxFile& file, SGTaskRecord& record);
    static void WriteRecord(CxFile& file, const SGTaskRecord& record);
};

// The bridge for SugarCRM tasks.
class CxSGTaskUtil : public CxSGRecordBridge<SGTaskKind>
{
};
