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

// The bridge for SugarCRM calendar events. Its helper takes four more parameters, whose values
// nothing in this program changes.
class CxSGDateUtil : public CxSGRecordBridge<SGDateKind>
{
protected:
    void AddKindParams(CxSGParamParser& params) override;

private:
    double m_dAux1 = 0;
    double m_dAux2 = 0;
    bool m_bAux1 = true;
    bool m_bAux2 = true;
};
