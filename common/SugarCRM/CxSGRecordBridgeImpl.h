// SPDX-License-Identifier: MIT
// Member definitions of CxSGRecordBridge. Included only by the kind sources, each of which
// instantiates the template once for its kind.
#pragma once

#include "SugarCRM/CxSGDataReader.h"
#include "SugarCRM/CxSGRecordBridge.h"
#include "misc/CxDebugUtil.h"
#include "records/SGRecords.h"

#include "platform/Platform.h"

#include <cstddef>
#include <cstdio>
#include <new>
#include <vector>

// Reads one record's items: the field's type decides the item.
class SGFieldReader
{
public:
    explicit SGFieldReader(CxFile& file) : m_file(file) {}
    void operator()(int32_t& nValue) { m_file.ReadInt(&nValue); }
    void operator()(double& dValue) { m_file.ReadDouble(&dValue); }
    void operator()(uint8_t& bValue) { m_file.ReadFlag(&bValue); }
    template <std::size_t N> void operator()(char (&szText)[N]) { m_file.ReadString(szText, N); }

private:
    CxFile& m_file;
};

// Writes one record's items, the mirror of SGFieldReader.
class SGFieldWriter
{
public:
    explicit SGFieldWriter(CxFile& file) : m_file(file) {}
    void operator()(const int32_t& nValue) { m_file.WriteInt(nValue); }
    void operator()(const double& dValue) { m_file.WriteDouble(dValue); }
    void operator()(const uint8_t& bValue) { m_file.WriteFlag(bValue); }
    template <std::size_t N> void operator()(const char (&szText)[N]) { m_file.WriteString(szText); }

private:
    CxFile& m_file;
};

template <class Kind> CxSGRecordBridge<Kind>::CxSGRecordBridge()
{
    SetDataFileName(Kind::kInfo.szDataFile);
    SetErrorFileName(Kind::kInfo.szErrorFile);
    SetStatusFileName(Kind::kInfo.szStatusFile);
    SetParamFileName(Kind::kInfo.szParamFile);
    SetMergeFileNames(Kind::kInfo.szKeepFile, Kind::kInfo.szMergeReport);
}

template <class Kind> CxSGRecordBridge<Kind>::~CxSGRecordBridge()
{
    // Records and entries go first; the base destructor then deletes the status and error files.
    Clear();
    RequestStop(Kind::kInfo.szStatusIniFormat);
}

template <class Kind> bool CxSGRecordBridge<Kind>::Load()
{
    DEBUG_LOG(LOG_MEDIUM, "%s", Kind::kInfo.szLoadStart);
    Clear();
    // Whatever is read afterwards must come from this run's helper: a data file left by an
    // earlier load would show records this run never fetched.
    char szPath[plat::kMaxPath];
    if (MakePath(m_szDataFile, szPath))
        plat::DeleteFile(szPath);
    // A helper that never finished proves nothing, even if it left a data file.
    bool bRead = !RunHelper(1).NeverFinished() && ReadDataFile();
    // Records cut short would be compared, and deleted, on fields the server never sent.
    if (bRead && m_bDamaged) {
        bRead = false;
        if (!m_bHasError) {
            m_bHasError = true;
            std::snprintf(m_szError, sizeof m_szError, "The data file %s that %s wrote is damaged.", m_szDataFile,
                          HelperProgram());
        }
    }
    if (bRead)
        DEBUG_LOG(LOG_MEDIUM, "%s", Kind::kInfo.szLoadDone);
    else
        DEBUG_LOG(LOG_CRITICAL, "%s", Kind::kInfo.szLoadFailed);
    return bRead;
}

template <class Kind> bool CxSGRecordBridge<Kind>::Clear()
{
    m_records.RemoveAll(false);
    m_blocks.Clear();
    m_store.ClearEntries();
    return true;
}

template <class Kind> bool CxSGRecordBridge<Kind>::Submit()
{
    DEBUG_LOG(LOG_MEDIUM, "Start submitting changes to server.");
    m_bOutcomeKnown = true;
    if (!m_bChanged) {
        DEBUG_LOG(LOG_MEDIUM, "There is no new changes and no need to submit information to server.");
        return true;
    }
    if (!WriteDataFile()) {
        DEBUG_LOG(LOG_CRITICAL, "Can not save information to temperary file.");
        // Nothing reached the helper, so every mark is still only a mark.
        TakeSubmitOutcome(false, true);
        return false;
    }
    // Merging was asked for: deleting without the list would drop what the user wanted kept.
    if (!WriteKeepFile()) {
        TakeSubmitOutcome(false, true);
        return true;
    }
    const HelperOutcome outcome = RunHelper(2);
    m_bChanged = false;
    if (HasError())
        TakeSubmitOutcome(!outcome.NeverFinished(), false);
    return true;
}

template <class Kind> void CxSGRecordBridge<Kind>::TakeSubmitOutcome(bool bHelperFinished, bool bNothingSent)
{
    std::vector<uint32_t> positions;
    m_bOutcomeKnown = bNothingSent || (bHelperFinished && ReadNotDeleted(positions));
    uint32_t nPosition = 0;
    std::size_t nNext = 0;
    for (void* p = m_records.GetFirst(); p != nullptr; p = m_records.GetNext(), ++nPosition) {
        Record* pRecord = static_cast<Record*>(p);
        if (pRecord->nStatus != SGSTATUS_DELETE)
            continue;
        while (nNext < positions.size() && positions[nNext] < nPosition)
            ++nNext;
        const bool bListed = nNext < positions.size() && positions[nNext] == nPosition;
        if (bNothingSent || !m_bOutcomeKnown || bListed)
            pRecord->dwFlags |= REC_NOT_DELETED;
    }
}

template <class Kind> bool CxSGRecordBridge<Kind>::MarkDeleted(Entry* pEntry, bool bSubmitNow)
{
    if (pEntry == nullptr)
        return false;
    Record* pRecord = pEntry->pRecord;
    if (pRecord != nullptr) {
        pRecord->nStatus = SGSTATUS_DELETE;
        m_bChanged = true;
    }
    if (!bSubmitNow)
        return true;

    // A record the server may still hold stays in the bridge, where a later submit can retry it.
    if (!Submit() || HasError())
        return false;
    // Only a record of this bridge is freed here: an entry may point at a record owned elsewhere.
    if (pRecord != nullptr && m_records.Remove(pRecord, false)) {
        pEntry->pRecord = nullptr;
        m_store.RemoveEntry(pEntry);
        m_blocks.Free(pRecord);
    }
    return true;
}

template <class Kind> bool CxSGRecordBridge<Kind>::ReadDataFile()
{
    DEBUG_LOG(LOG_MEDIUM, Kind::kInfo.szReadStart, m_szDataFile);
    if (!OpenDataFile("rb"))
        return false;

    int32_t nStored = 0;
    m_file.ReadInt(&nStored);
    m_bDamaged = m_file.ReadPastEnd();
    DEBUG_LOG(LOG_MEDIUM, Kind::kInfo.szRecordCount, nStored);
    const uint32_t nCount = static_cast<uint32_t>(nStored);
    for (uint32_t i = 0; i < nCount; ++i) {
        // The count comes from the helper: a record is made only for bytes the file really holds,
        // so a wrong count cannot fill memory with empty records.
        if (m_file.AtEnd()) {
            DEBUG_LOG(LOG_CRITICAL, "The data file ended after %u of %u records.", i, nCount);
            m_bDamaged = true;
            break;
        }
        Record* pRecord = m_blocks.New();
        if (pRecord == nullptr) {
            DEBUG_LOG(LOG_CRITICAL, "Not enough memory for record %u of %u.", i + 1, nCount);
            m_file.Close();
            return false;
        }
        Kind::ReadRecord(m_file, *pRecord);
        m_bDamaged = m_bDamaged || m_file.ReadPastEnd();
        AddRecord(pRecord);
    }
    m_file.Close();
    DEBUG_LOG(LOG_MEDIUM, "%s", Kind::kInfo.szReadDone);
    return true;
}

template <class Kind> bool CxSGRecordBridge<Kind>::WriteDataFile()
{
    DEBUG_LOG(LOG_MEDIUM, Kind::kInfo.szWriteStart, m_szDataFile);
    if (!OpenDataFile("wb"))
        return false;

    const uint32_t nCount = m_records.GetCount();
    DEBUG_LOG(LOG_MEDIUM, Kind::kInfo.szRecordCount, static_cast<int>(nCount));
    m_file.WriteInt(static_cast<int32_t>(nCount));
    for (void* p = m_records.GetFirst(); p != nullptr; p = m_records.GetNext())
        Kind::WriteRecord(m_file, *static_cast<const Record*>(p));
    // A full disk must not pass for a written file: the helper would act on what got through.
    if (!m_file.Finish()) {
        DEBUG_LOG(LOG_CRITICAL, "Failed to write file: %s", m_szDataFile);
        return false;
    }
    DEBUG_LOG(LOG_MEDIUM, "%s", Kind::kInfo.szWriteDone);
    return true;
}

template <class Kind> CxSGDataReader& CxSGRecordBridge<Kind>::Runner()
{
    // One runner per kind: it deletes the kind's parameter and data files when the program ends.
    static CxSGDataReader runner(Kind::kInfo.szHelperFile);
    return runner;
}

template <class Kind> bool CxSGRecordBridge<Kind>::OpenDataFile(const char* szMode)
{
    // MakePath logs a path that does not fit.
    char szPath[plat::kMaxPath];
    if (!MakePath(m_szDataFile, szPath))
        return false;
    if (!m_file.Open(szPath, szMode)) {
        DEBUG_LOG(LOG_CRITICAL, "Failed to open file: %s", szPath);
        return false;
    }
    return true;
}

template <class Kind> void CxSGRecordBridge<Kind>::AddRecord(Record* pRecord)
{
    Entry entry;
    entry.nSource = SOURCE_SUGARCRM;
    // Without an entry the record is still written back, but no walk of the store reaches it.
    Entry* pEntry = m_store.AddEntry(&entry);
    pRecord->pCommEntry = pEntry;
    m_records.AddTail(pRecord);
    if (pEntry != nullptr)
        pEntry->pRecord = pRecord;
}
