// SPDX-License-Identifier: MIT
#include "NoteIds.h"

#include "misc/CxFile.h"
#include "platform/Platform.h"
#include "records/SGRecords.h"

#include <fstream>
#include <iterator>

namespace
{

// Every id comes from a note record's id field, so it fits the same capacity.
constexpr std::size_t kIdCapacity = sizeof(SGAddrRecord::szId);

} // namespace

bool NoteIds::Save(const std::string& path, const std::vector<std::string>& ids)
{
    const std::string temp = path + ".tmp";
    CxFile file;
    if (!file.Open(temp.c_str(), "wb"))
        return false;
    file.WriteInt(static_cast<int32_t>(ids.size()));
    for (const std::string& id : ids)
        file.WriteString(id.c_str());
    if (!file.Finish() || !plat::ReplaceFile(temp.c_str(), path.c_str())) {
        plat::DeleteFile(temp.c_str());
        return false;
    }
    return true;
}

bool NoteIds::Load(const std::string& path, std::vector<std::string>& ids)
{
    ids.clear();
    // Read whole and checked byte by byte: CxFile's reader cannot tell a cut text from a short one.
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t nPos = 0;
    const auto readInt = [&bytes, &nPos](uint32_t& nValue) {
        if (bytes.size() - nPos < 4)
            return false;
        nValue = 0;
        for (std::size_t i = 0; i < 4; ++i)
            nValue |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[nPos + i])) << (8 * i);
        nPos += 4;
        return true;
    };
    uint32_t nCount = 0;
    // Each id takes at least its 4-byte length.
    if (!readInt(nCount) || nCount > (bytes.size() - 4) / 4)
        return false;
    std::vector<std::string> loaded;
    loaded.reserve(nCount);
    for (uint32_t i = 0; i < nCount; ++i) {
        uint32_t nLength = 0;
        if (!readInt(nLength) || nLength == 0 || nLength >= kIdCapacity || nLength > bytes.size() - nPos)
            return false;
        loaded.push_back(bytes.substr(nPos, nLength));
        nPos += nLength;
        if (loaded.back().find('\0') != std::string::npos)
            return false;
    }
    if (nPos != bytes.size())
        return false;
    ids = std::move(loaded);
    return true;
}
