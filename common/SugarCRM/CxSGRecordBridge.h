// SPDX-License-Identifier: MIT
#pragma once

#include "SugarCRM/CxSGBaseUtil.h"
#include "misc/CxFile.h"
#include "misc/CxList.h"
#include "records/RecordBlocks.h"

#include <cstdint>

// File names, helper program and log texts of one kind of data.
struct SGKindInfo
{
    const char* szDataFile;
    const char* szErrorFile;
    const char* szStatusFile;
    const char* szParamFile;
    const char* szStatusIniFormat; // "%s" takes the work folder
    const char* szHelperProgram;
    const char* szLoadStart;
    const char* szLoadDone;
    const char* szLoadFailed;
    const char* szReadStart;   // "%s" takes the data file's name
    const char* szRecordCount; // "%d" takes the number of records
    const char* szReadDone;
    const char* szWriteStart; // "%s" takes the data file's name
    const char* szWriteDone;
    // A file of the helper's own in the folder that goes with the other exchange files at the
    // program's end, or null.
    const char* szHelperFile;
    // The two files of a merge run.
    const char* szKeepFile;
    const char* szMergeReport;
};

// A bridge that loads one kind of record through its helper and its data file, marks records for
// deletion and submits the marks. Kind supplies the record, entry and store types, the SGKindInfo
// kInfo, and ReadRecord/WriteRecord, which move one record's items in file order.
template <class Kind> class CxSGRecordBridge : public CxSGBaseUtil
{
public:
    using Record = typename Kind::Record;
    using Entry = typename Kind::Entry;
    using Store = typename Kind::Store;

    CxSGRecordBridge();
    ~CxSGRecordBridge() override;

    // Runs the helper to fetch every record; true when the data file was read.
    bool Load() override;
    // Frees the records and empties the store; touches no file.
    bool Clear() override;
    // Writes the data file and has the helper apply it; false only when the file cannot be written.
    // When the submission failed (false, or HasError), every marked record the server may still
    // hold carries REC_NOT_DELETED.
    bool Submit() override;

    // Sets the entry's record to the deletion state. With bSubmitNow the marks are sent at once and
    // the record leaves the bridge once the server has it deleted. False for a null entry and for
    // a submission that failed.
    bool MarkDeleted(Entry* pEntry, bool bSubmitNow);
    // True when the file could be opened; records are appended to those already loaded.
    bool ReadDataFile();
    // Writes every record whatever its state; true when the file could be created.
    bool WriteDataFile();

    Store* GetStore() { return &m_store; }
    // The records in data file order, borrowed.
    uint32_t GetRecordCount() const { return m_records.GetCount(); }
    Record* GetRecord(uint32_t nIndex) { return static_cast<Record*>(m_records.GetAt(nIndex)); }

protected:
    const char* HelperProgram() const override { return Kind::kInfo.szHelperProgram; }
    CxSGDataReader& Runner() override;

private:
    void TakeSubmitOutcome(bool bHelperFinished, bool bNothingSent);
    bool OpenDataFile(const char* szMode);
    void AddRecord(Record* pRecord);

    Store m_store;
    CxFile m_file;
    CxList m_records;
    RecordBlocks<Record> m_blocks;
    // The last read found fewer records than the file's count, or a record cut short.
    bool m_bDamaged = false;
};
