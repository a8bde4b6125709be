// SPDX-License-Identifier: MIT
#include "core/Backup.h"

#include "misc/CxDebugUtil.h"
#include "misc/CxFile.h"
#include "platform/Platform.h"
#include "records/CrmFields.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace
{

// The server's text forms, "2026-03-05 14:30:00" and "2026-03-05", in the local time the records
// hold (the helpers turn the server's UTC into local time). An empty date (0) or a value that is
// no date stays empty.
std::string DateText(double dtValue, bool bWithTime)
{
    plat::SystemTime st;
    if (std::isnan(dtValue) || dtValue == 0 || !plat::VariantTimeToSystemTime(dtValue, st))
        return {};
    char szText[64];
    if (bWithTime)
        std::snprintf(szText, sizeof szText, "%04u-%02u-%02u %02u:%02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour,
                      st.wMinute, st.wSecond);
    else
        std::snprintf(szText, sizeof szText, "%04u-%02u-%02u", st.wYear, st.wMonth, st.wDay);
    return szText;
}

template <class Rec> std::string ValueText(const CrmField<Rec>& field, const Rec& record)
{
    const void* pField = field.pfnRead(record);
    switch (field.value) {
    case CrmValue::Text:
        return plat::AnsiToUtf8(static_cast<const char*>(pField));
    case CrmValue::DateTime:
        return DateText(*static_cast<const double*>(pField), true);
    case CrmValue::Date:
        return DateText(*static_cast<const double*>(pField), false);
    case CrmValue::Flag:
        return *static_cast<const uint8_t*>(pField) != 0 ? "1" : "0";
    case CrmValue::Integer:
        return std::to_string(*static_cast<const int32_t*>(pField));
    }
    return {};
}

void AppendQuoted(std::string& line, const std::string& value)
{
    if (!line.empty())
        line += ',';
    line += '"';
    for (char c : value) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}

int32_t TypeOf(const SGAddrRecord& record)
{
    return record.nType;
}

int32_t TypeOf(const SGDateRecord& record)
{
    return record.nType;
}

int32_t TypeOf(const SGTaskRecord&)
{
    return 0;
}

template <class Rec>
bool WriteModule(const std::string& path, const CrmModuleView<Rec>& module, const std::vector<const Rec*>& records)
{
    CxFile file;
    if (!plat::CreateOwnerOnlyFile(path.c_str()) || !file.Open(path.c_str(), "wb")) {
        DEBUG_LOG(LOG_CRITICAL, "Failed to open file: %s", path.c_str());
        return false;
    }
    std::string line;
    AppendQuoted(line, "id");
    for (std::size_t i = 0; i < module.nFields; ++i)
        AppendQuoted(line, module.pFields[i].szName);
    file.WriteLine(line.c_str());
    for (const Rec* pRecord : records) {
        line.clear();
        AppendQuoted(line, plat::AnsiToUtf8(pRecord->szId));
        for (std::size_t i = 0; i < module.nFields; ++i)
            AppendQuoted(line, ValueText(module.pFields[i], *pRecord));
        file.WriteLine(line.c_str());
    }
    if (!file.Finish()) {
        DEBUG_LOG(LOG_CRITICAL, "Failed to write file: %s", path.c_str());
        plat::DeleteFile(path.c_str());
        return false;
    }
    return true;
}

template <class Rec, std::size_t N>
bool WriteModules(const CrmModuleView<Rec> (&modules)[N], const std::string& folder, const std::string& stamp,
                  const std::vector<const Rec*>& records, std::vector<std::string>& paths)
{
    paths.clear();
    const std::string backups = folder + "Backups" + plat::kPathSeparator;
    if (!plat::PathExists(backups.c_str()) && !plat::CreateFolder(backups.c_str())) {
        DEBUG_LOG(LOG_CRITICAL, "Failed to create folder: %s", backups.c_str());
        paths.push_back(backups);
        return false;
    }
    // A sub-type the helper never gives goes with the kind's first module rather than nowhere.
    const auto moduleOf = [&modules](const Rec& record) {
        for (const CrmModuleView<Rec>& module : modules) {
            if (module.nType == TypeOf(record))
                return &module;
        }
        return &modules[0];
    };
    for (const CrmModuleView<Rec>& module : modules) {
        std::vector<const Rec*> ofModule;
        for (const Rec* pRecord : records) {
            if (moduleOf(*pRecord) == &module)
                ofModule.push_back(pRecord);
        }
        if (ofModule.empty())
            continue;
        paths.push_back(backups + stamp + " " + module.szModule + ".csv");
        if (!WriteModule(paths.back(), module, ofModule))
            return false;
    }
    return true;
}

} // namespace

std::string BackupStamp()
{
    plat::SystemTime st;
    plat::GetLocalTime(st);
    char szText[64];
    std::snprintf(szText, sizeof szText, "%04u-%02u-%02u %02u-%02u-%02u", st.wYear, st.wMonth, st.wDay, st.wHour,
                  st.wMinute, st.wSecond);
    return szText;
}

bool WriteBackup(const std::string& folder, const std::string& stamp, const std::vector<const SGAddrRecord*>& records,
                 std::vector<std::string>& paths)
{
    return WriteModules(kCrmAddrModules, folder, stamp, records, paths);
}

bool WriteBackup(const std::string& folder, const std::string& stamp, const std::vector<const SGDateRecord*>& records,
                 std::vector<std::string>& paths)
{
    return WriteModules(kCrmDateModules, folder, stamp, records, paths);
}

bool WriteBackup(const std::string& folder, const std::string& stamp, const std::vector<const SGTaskRecord*>& records,
                 std::vector<std::string>& paths)
{
    return WriteModules(kCrmTaskModules, folder, stamp, records, paths);
}
