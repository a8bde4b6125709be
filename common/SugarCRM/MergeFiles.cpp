// SPDX-License-Identifier: MIT
#include "SugarCRM/MergeFiles.h"

#include "misc/CxDebugUtil.h"
#include "misc/CxFile.h"
#include "platform/Platform.h"

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

bool ReadMergeReport(const char* szPath, std::vector<MergedRecord>& merged)
{
    merged.clear();
    CxFile file;
    if (!file.Open(szPath, "rb"))
        return false;
    int32_t nCount = 0;
    file.ReadInt(&nCount);
    // Ids are at most 36 characters; a longer one is cut and then matches no record.
    char szId[256];
    for (int32_t i = 0; i < nCount && !file.AtEnd(); ++i) {
        MergedRecord record;
        szId[0] = '\0';
        file.ReadString(szId, sizeof szId);
        file.ReadInt(&record.nMovedItems);
        record.duplicateId = szId;
        merged.push_back(record);
    }
    const bool bWhole =
        nCount >= 0 && !file.ReadPastEnd() && merged.size() == static_cast<std::size_t>(nCount) && file.AtEnd();
    file.Close();
    if (!bWhole) {
        DEBUG_LOG(LOG_CRITICAL, "The merge report %s is damaged.", szPath);
        merged.clear();
    }
    return bWhole;
}
