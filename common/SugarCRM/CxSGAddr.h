// SPDX-License-Identifier: MIT
#pragma once

#include "SugarCRM/CxSGRecordBridge.h"
#include "records/CommStores.h"

struct SGAddrKind
{
    using Record = SGAddrRecord;
    using Entry = CommAddrEntry;
    using Store = CommAddrMgr;
    static const SGKindInfo kInfo;
    static void ReadRecord(CxFile& file, SGAddrRecord& record);
    static void WriteRecord(CxFile& file, const SGAddrRecord& record);
};

// The bridge for SugarCRM contacts.
class CxSGAddrUtil : public CxSGRecordBridge<SGAddrKind>
{
};
