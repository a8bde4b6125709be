// SPDX-License-Identifier: MIT
#include "KindData.h"

#include "FieldValues.h"
#include "platform/Platform.h"

#include <algorithm>
#include <fstream>
#include <memory>

const HelperKindInfo& KindInfo(HelperKind kind)
{
    static const HelperKindInfo kinds[] = {
        {"Contacts", "SGAddr.ini", "SGAddrUtil.log"},
        {"Calendar Events", "SGDate.ini", "SGDateUtil.log"},
        {"Tasks", "SGTask.ini", "SGTaskUtil.log"},
        {"Notes", "SGNote.ini", "SGNoteUtil.log"},
    };
    return kinds[static_cast<int>(kind)];
}

int32_t RecordType(const SGAddrRecord& record)
{
    return record.nType;
}

int32_t RecordType(const SGDateRecord& record)
{
    return record.nType;
}

int32_t RecordType(const SGTaskRecord&)
{
    return 0;
}

int32_t RecordType(const SGNoteRecord&)
{
    return 0;
}

std::string RecordId(const SGAddrRecord& record)
{
    return record.szId;
}

std::string RecordId(const SGDateRecord& record)
{
    return record.szId;
}

std::string RecordId(const SGTaskRecord& record)
{
    return record.szId;
}

std::string RecordId(const SGNoteRecord&)
{
    return std::string();
}

QString RecordLabel(const SGAddrRecord& record)
{
    return FromAnsi(record.szFirstName).append(QLatin1Char(' ')).append(FromAnsi(record.szLastName)).trimmed();
}

QString RecordLabel(const SGDateRecord& record)
{
    return FromAnsi(record.szSubject);
}

QString RecordLabel(const SGTaskRecord& record)
{
    return FromAnsi(record.szSubject);
}

QString RecordLabel(const SGNoteRecord&)
{
    return QString();
}

bool SameFileContent(const std::string& first, const std::string& second)
{
    if (plat::FileSize(first.c_str()) != plat::FileSize(second.c_str()))
        return false;
    std::ifstream a(first, std::ios::binary);
    std::ifstream b(second, std::ios::binary);
    if (!a || !b)
        return false;
    std::vector<char> bufferA(65536);
    std::vector<char> bufferB(65536);
    for (;;) {
        a.read(bufferA.data(), static_cast<std::streamsize>(bufferA.size()));
        b.read(bufferB.data(), static_cast<std::streamsize>(bufferB.size()));
        const std::streamsize nRead = a.gcount();
        if (nRead != b.gcount() || !std::equal(bufferA.begin(), bufferA.begin() + nRead, bufferB.begin()))
            return false;
        if (nRead == 0)
            return true;
    }
}

template <class Kind>
bool ReadMarkedRecords(const std::string& path, std::vector<MarkedRecord>& marked, uint32_t& nTotal, QString& error,
                       std::map<std::string, int32_t>* pTypes)
{
    using Record = typename Kind::Record;
    marked.clear();
    nTotal = 0;
    const QString name = FromAnsi(path.substr(path.find_last_of("/\\") + 1));
    const QString damaged =
        QStringLiteral("The data file %1 is damaged, so nothing was deleted. Load the data again.").arg(name);

    CxFile file;
    if (CxFile::GetFileSize(path.c_str()) < 0 || !file.Open(path.c_str(), "rb")) {
        error = QStringLiteral("The data file %1 cannot be read, so nothing was deleted.").arg(name);
        return false;
    }
    if (CxFile::GetFileSize(path.c_str()) < 4) {
        error = damaged;
        return false;
    }
    const std::string checkPath = path + ".check";
    CxFile check;
    if (!check.Open(checkPath.c_str(), "wb")) {
        error = QStringLiteral("No room to check the data file %1, so nothing was deleted.").arg(name);
        return false;
    }

    int32_t nStored = 0;
    file.ReadInt(&nStored);
    check.WriteInt(nStored);
    const uint32_t nCount = static_cast<uint32_t>(nStored);
    auto pRecord = std::make_unique<Record>();
    bool bWhole = true;
    for (uint32_t i = 0; i < nCount; ++i) {
        // Records are made only for bytes that are really there, whatever the count says.
        if (file.AtEnd()) {
            bWhole = false;
            break;
        }
        *pRecord = Record();
        Kind::ReadRecord(file, *pRecord);
        Kind::WriteRecord(check, *pRecord);
        if (pTypes != nullptr)
            (*pTypes)[RecordId(*pRecord)] = RecordType(*pRecord);
        if (pRecord->nStatus == SGSTATUS_DELETE) {
            MarkedRecord mark;
            mark.nType = RecordType(*pRecord);
            mark.nAux = pRecord->nAux;
            mark.nPosition = i;
            mark.id = RecordId(*pRecord);
            mark.label = RecordLabel(*pRecord);
            marked.push_back(std::move(mark));
        }
    }
    file.Close();
    const bool bWritten = check.Finish();
    const bool bSame = bWhole && bWritten && SameFileContent(path, checkPath);
    plat::DeleteFile(checkPath.c_str());
    if (!bSame) {
        marked.clear();
        error =
            bWritten ? damaged : QStringLiteral("No room to check the data file %1, so nothing was deleted.").arg(name);
        return false;
    }
    nTotal = nCount;
    return true;
}

template bool ReadMarkedRecords<SGAddrKind>(const std::string&, std::vector<MarkedRecord>&, uint32_t&, QString&,
                                            std::map<std::string, int32_t>*);
template bool ReadMarkedRecords<SGDateKind>(const std::string&, std::vector<MarkedRecord>&, uint32_t&, QString&,
                                            std::map<std::string, int32_t>*);
template bool ReadMarkedRecords<SGTaskKind>(const std::string&, std::vector<MarkedRecord>&, uint32_t&, QString&,
                                            std::map<std::string, int32_t>*);
template bool ReadMarkedRecords<SGNoteKind>(const std::string&, std::vector<MarkedRecord>&, uint32_t&, QString&,
                                            std::map<std::string, int32_t>*);
