// SPDX-License-Identifier: MIT
#include "SugarCRM/MergeFiles.h"

#include "misc/CxDebugUtil.h"
#include "misc/CxFile.h"
#include "platform/Platform.h"

#include <cstring>

namespace
{
// Longer than any id a server hands out; an id that fills it was cut.
constexpr std::size_t kIdCapacity = 256;

bool ReadId(CxFile& file, std::string& id)
{
    char szId[kIdCapacity] = {};
    if (file.AtEnd() || !file.ReadString(szId, sizeof(szId)) || file.ReadPastEnd())
        return false;
    const std::size_t nLength = std::strlen(szId);
    if (nLength == 0 || nLength >= kIdCapacity - 1)
        return false;
    id = szId;
    return true;
}

std::string NameOf(const char* szPath)
{
    const std::string path = szPath;
    return path.substr(path.find_last_of("/\\") + 1);
}
} // namespace

bool WriteKeepFile(const char* szPath, int32_t nOptions, const std::vector<KeepEntry>& entries)
{
    CxFile file;
    if (!plat::CreateOwnerOnlyFile(szPath) || !file.Open(szPath, "wb")) {
        DEBUG_LOG(LOG_CRITICAL, "Failed to open file: %s", szPath);
        return false;
    }
    file.WriteInt(nOptions);
    file.WriteInt(static_cast<int32_t>(entries.size()));
    for (const KeepEntry& entry : entries) {
        file.WriteString(entry.duplicateId.c_str());
        file.WriteString(entry.keptId.c_str());
    }
    if (!file.Finish()) {
        DEBUG_LOG(LOG_CRITICAL, "Failed to write file: %s", szPath);
        return false;
    }
    return true;
}

bool ReadKeepFile(const char* szPath, KeepList& keep, std::string& error)
{
    keep = KeepList();
    CxFile file;
    if (CxFile::GetFileSize(szPath) < 0 || !file.Open(szPath, "rb")) {
        error = "The keep file " + NameOf(szPath) + " cannot be read";
        return false;
    }
    int32_t nCount = -1;
    file.ReadInt(&keep.nOptions);
    file.ReadInt(&nCount);
    bool bWhole = !file.ReadPastEnd() && nCount >= 0;
    for (int32_t i = 0; bWhole && i < nCount; ++i) {
        std::string deleted;
        std::string kept;
        bWhole = ReadId(file, deleted) && ReadId(file, kept) && deleted != kept;
        if (bWhole)
            keep.keptFor[deleted] = kept;
    }
    if (!bWhole || !file.AtEnd()) {
        keep = KeepList();
        error = "The keep file " + NameOf(szPath) + " is damaged";
        DEBUG_LOG(LOG_CRITICAL, "The keep file %s is damaged.", szPath);
        return false;
    }
    return true;
}

bool WriteMergeReport(const char* szPath, const std::vector<MergedRecord>& merged)
{
    const std::string temp = std::string(szPath) + ".tmp";
    CxFile file;
    if (!file.Open(temp.c_str(), "wb"))
        return false;
    file.WriteInt(static_cast<int32_t>(merged.size()));
    for (const MergedRecord& record : merged) {
        file.WriteString(record.duplicateId.c_str());
        file.WriteInt(record.nMovedItems);
    }
    if (file.Finish() && plat::ReplaceFile(temp.c_str(), szPath))
        return true;
    plat::DeleteFile(temp.c_str());
    return false;
}

bool ReadMergeReport(const char* szPath, std::vector<MergedRecord>& merged)
{
    merged.clear();
    CxFile file;
    if (!file.Open(szPath, "rb"))
        return false;
    int32_t nCount = -1;
    file.ReadInt(&nCount);
    bool bWhole = !file.ReadPastEnd() && nCount >= 0;
    for (int32_t i = 0; bWhole && i < nCount; ++i) {
        MergedRecord record;
        bWhole = ReadId(file, record.duplicateId) && file.ReadInt(&record.nMovedItems) && !file.ReadPastEnd();
        if (bWhole)
            merged.push_back(record);
    }
    bWhole = bWhole && file.AtEnd();
    file.Close();
    if (!bWhole) {
        DEBUG_LOG(LOG_CRITICAL, "The merge report %s is damaged.", szPath);
        merged.clear();
    }
    return bWhole;
}
