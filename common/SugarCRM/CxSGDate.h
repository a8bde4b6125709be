// SPDX-License-Identifier: MIT
#pragma once

#include "SugarCRM/CxSGRecordBridge.h"
#include "records/CommStores.h"

struct SGDateKind
{
    using Record = SGDateRecord;
    using Entry = CommDateEntry;
    using Store = CommDateMgr;
    static const SGKindInfo kInfo;
    static void ReadRecord(CxFile& file, SGDateRecord& record);
    static void WriteRecord(CxFile& file, const SGDateRecord& record);
};

// The bridge for SugarCRM calendar events. Its helper takes four more parameters, always "0",
// "0", "1" and "1": nothing in this program has ever had another value for them.
class CxSGDateUtil : public CxSGRecordBridge<SGDateKind>
{
protected:
    void AddKindParams(CxSGParamParser& params) override;
};
