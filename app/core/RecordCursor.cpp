// SPDX-License-Identifier: MIT
#include "core/RecordCursor.h"

SGAddrRecord* GetFirstAddrRecord()
{
    return GetFirstKindRecord<SGAddrRecord>();
}

SGAddrRecord* GetNextAddrRecord()
{
    return GetNextKindRecord<SGAddrRecord>();
}

void SeekAddrRecord(SGAddrRecord* pRecord)
{
    SeekKindRecord(pRecord);
}

SGDateRecord* GetFirstDateRecord()
{
    return GetFirstKindRecord<SGDateRecord>();
}

SGDateRecord* GetNextDateRecord()
{
    return GetNextKindRecord<SGDateRecord>();
}

void SeekDateRecord(SGDateRecord* pRecord)
{
    SeekKindRecord(pRecord);
}

SGTaskRecord* GetFirstTaskRecord()
{
    return GetFirstKindRecord<SGTaskRecord>();
}

SGTaskRecord* GetNextTaskRecord()
{
    return GetNextKindRecord<SGTaskRecord>();
}

void SeekTaskRecord(SGTaskRecord* pRecord)
{
    SeekKindRecord(pRecord);
}

SGNoteRecord* GetFirstNoteRecord()
{
    return GetFirstKindRecord<SGNoteRecord>();
}

SGNoteRecord* GetNextNoteRecord()
{
    return GetNextKindRecord<SGNoteRecord>();
}

void SeekNoteRecord(SGNoteRecord* pRecord)
{
    SeekKindRecord(pRecord);
}
