// SPDX-License-Identifier: MIT
// The data file as the helpers write it after a fetch and read it before deleting. The records
// move through the kinds' own ReadRecord/WriteRecord, the same code the program uses, so the two
// sides cannot drift apart.
#pragma once

#include "SugarCRM/CxSGAddr.h"
#include "SugarCRM/CxSGDate.h"
#include "SugarCRM/CxSGNote.h"
#include "SugarCRM/CxSGTask.h"
#include "misc/CxFile.h"
#include "platform/Platform.h"

#include <QString>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

enum class HelperKind
{
    Addr,
    Date,
    Task,
    Note
};

struct HelperKindInfo
{
    const char* szLabel;     // the kind in progress lines: "Contacts", "Tasks"
    const char* szStatusIni; // the status settings file in the exchange folder
    const char* szLogFile;   // the helper's own log file
};

const HelperKindInfo& KindInfo(HelperKind kind);

// What a delete needs of one record marked for deletion.
struct MarkedRecord
{
    int32_t nType = 0;
    int32_t nAux = 0;
    uint32_t nPosition = 0; // in the data file, from 0
    std::string id;
    QString label; // for messages: a name or subject, empty for notes
};

int32_t RecordType(const SGAddrRecord& record);
int32_t RecordType(const SGDateRecord& record);
int32_t RecordType(const SGTaskRecord& record);
int32_t RecordType(const SGNoteRecord& record);
std::string RecordId(const SGAddrRecord& record);
std::string RecordId(const SGDateRecord& record);
std::string RecordId(const SGTaskRecord& record);
std::string RecordId(const SGNoteRecord& record);
QString RecordLabel(const SGAddrRecord& record);
QString RecordLabel(const SGDateRecord& record);
QString RecordLabel(const SGTaskRecord& record);
QString RecordLabel(const SGNoteRecord& record);

// Writes a data file under a temporary name: the count is patched in at the end and the file
// renamed into place only when every byte was written, so no reader ever sees half a file.
template <class Kind> class DataFileWriter
{
public:
    explicit DataFileWriter(std::string path) : m_path(std::move(path)), m_temp(m_path + ".tmp") {}
    ~DataFileWriter() { Discard(); }
    DataFileWriter(const DataFileWriter&) = delete;
    DataFileWriter& operator=(const DataFileWriter&) = delete;

    bool Open()
    {
        m_nCount = 0;
        if (!m_file.Open(m_temp.c_str(), "wb"))
            return false;
        m_bOpen = true;
        return m_file.WriteInt(0);
    }

    void Add(const typename Kind::Record& record)
    {
        Kind::WriteRecord(m_file, record);
        ++m_nCount;
    }

    uint32_t Count() const { return m_nCount; }

    bool Commit()
    {
        if (!m_bOpen || !m_file.Finish())
            return false;
        // Reopened for update, the count goes over the placeholder at the start.
        if (!m_file.Open(m_temp.c_str(), "r+b"))
            return false;
        m_file.WriteInt(static_cast<int32_t>(m_nCount));
        if (!m_file.Finish() || !plat::ReplaceFile(m_temp.c_str(), m_path.c_str()))
            return false;
        m_bOpen = false;
        return true;
    }

    void Discard()
    {
        if (!m_bOpen)
            return;
        m_file.Close();
        plat::DeleteFile(m_temp.c_str());
        m_bOpen = false;
    }

private:
    std::string m_path;
    std::string m_temp;
    CxFile m_file;
    uint32_t m_nCount = 0;
    bool m_bOpen = false;
};

// Reads a data file and collects the records marked for deletion (nStatus 3). The file is trusted
// only when writing its records back reproduces it byte for byte: a damaged file could otherwise
// turn stray bytes into a deletion mark and an id. nTotal receives the number of records.
// pTypes, when given, receives the type of every record by id (the marked ones included).
template <class Kind>
bool ReadMarkedRecords(const std::string& path, std::vector<MarkedRecord>& marked, uint32_t& nTotal, QString& error,
                       std::map<std::string, int32_t>* pTypes = nullptr);

// True when the two files hold the same bytes.
bool SameFileContent(const std::string& first, const std::string& second);

extern template bool ReadMarkedRecords<SGAddrKind>(const std::string&, std::vector<MarkedRecord>&, uint32_t&, QString&,
                                                   std::map<std::string, int32_t>*);
extern template bool ReadMarkedRecords<SGDateKind>(const std::string&, std::vector<MarkedRecord>&, uint32_t&, QString&,
                                                   std::map<std::string, int32_t>*);
extern template bool ReadMarkedRecords<SGTaskKind>(const std::string&, std::vector<MarkedRecord>&, uint32_t&, QString&,
                                                   std::map<std::string, int32_t>*);
extern template bool ReadMarkedRecords<SGNoteKind>(const std::string&, std::vector<MarkedRecord>&, uint32_t&, QString&,
                                                   std::map<std::string, int32_t>*);
