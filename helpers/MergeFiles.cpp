// SPDX-License-Identifier: MIT
#include "MergeFiles.h"

#include "FieldValues.h"
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
    if (!file.ReadString(szId, sizeof(szId)) || file.ReadPastEnd())
        return false;
    const std::size_t nLength = std::strlen(szId);
    if (nLength == 0 || nLength >= kIdCapacity - 1)
        return false;
    id = szId;
    return true;
}
} // namespace

bool ReadKeepFile(const std::string& path, KeepList& keep, QString& error)
{
    keep = KeepList();
    const QString name = FromAnsi(path.substr(path.find_last_of("/\\") + 1));
    CxFile file;
    if (CxFile::GetFileSize(path.c_str()) < 0 || !file.Open(path.c_str(), "rb")) {
        error = QStringLiteral("The keep file %1 cannot be read, so nothing was deleted.").arg(name);
        return false;
    }
    int32_t nCount = -1;
    file.ReadInt(&keep.nOptions);
    file.ReadInt(&nCount);
    bool bWhole = !file.ReadPastEnd() && nCount >= 0;
    for (int32_t i = 0; bWhole && i < nCount; ++i) {
        std::string deleted;
        std::string kept;
        bWhole = !file.AtEnd() && ReadId(file, deleted) && ReadId(file, kept) && deleted != kept;
        if (bWhole)
            keep.keptFor[deleted] = kept;
    }
    if (!bWhole || !file.AtEnd()) {
        keep = KeepList();
        error = QStringLiteral("The keep file %1 is damaged, so nothing was deleted.").arg(name);
        return false;
    }
    return true;
}

bool WriteMergeReport(const std::string& path, const std::vector<std::pair<std::string, int32_t>>& merged)
{
    const std::string temp = path + ".tmp";
    CxFile file;
    if (!file.Open(temp.c_str(), "wb"))
        return false;
    file.WriteInt(static_cast<int32_t>(merged.size()));
    for (const auto& [id, nMoved] : merged) {
        file.WriteString(id.c_str());
        file.WriteInt(nMoved);
    }
    if (file.Finish() && plat::ReplaceFile(temp.c_str(), path.c_str()))
        return true;
    plat::DeleteFile(temp.c_str());
    return false;
}
