// SPDX-License-Identifier: MIT
#include "core/AppSettings.h"

#include "core/PasswordCodec.h"
#include "misc/CxIniUtil.h"
#include "misc/TextUtil.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cstring>
#include <string>

AppSettingsData AppSettings = {};
CxIniUtil* SettingsFile = nullptr;

namespace
{

const char kSection[] = "Veltrane";

struct BoolKey
{
    const char* szKey;
    bool AppSettingsData::*pField;
    bool bDefault;
};

// The duplicate rule switches in field order, which is also the order of reading and writing.
const BoolKey kRuleKeys[] = {
    {"AddrDisplayName", &AppSettingsData::AddrDisplayName, true},
    {"AddrFirstName", &AppSettingsData::AddrFirstName, true},
    {"AddrLastName", &AppSettingsData::AddrLastName, true},
    {"AddrDepartment", &AppSettingsData::AddrDepartment, false},
    {"AddrTitle", &AppSettingsData::AddrTitle, false},
    {"AddrEmail", &AppSettingsData::AddrEmail, true},
    {"AddrPhone", &AppSettingsData::AddrPhone, false},
    {"AddrAddress", &AppSettingsData::AddrAddress, false},
    {"AddrBirthday", &AppSettingsData::AddrBirthday, false},
    {"AddrNote", &AppSettingsData::AddrNote, false},
    {"DateSubject", &AppSettingsData::DateSubject, true},
    {"DateStartTime", &AppSettingsData::DateStartTime, true},
    {"DateEndTime", &AppSettingsData::DateEndTime, false},
    {"DateLocation", &AppSettingsData::DateLocation, false},
    {"DateContactID", &AppSettingsData::DateContactID, true},
    {"DateAssignedID", &AppSettingsData::DateAssignedID, true},
    {"DateNote", &AppSettingsData::DateNote, false},
    {"TaskSubject", &AppSettingsData::TaskSubject, true},
    {"TaskImportance", &AppSettingsData::TaskImportance, false},
    {"TaskDueDate", &AppSettingsData::TaskDueDate, false},
    {"TaskStatus", &AppSettingsData::TaskStatus, true},
    {"TaskContactID", &AppSettingsData::TaskContactID, true},
    {"TaskAssignedID", &AppSettingsData::TaskAssignedID, true},
    {"TaskNote", &AppSettingsData::TaskNote, false},
};

// The switches read right after AppFlag and written right after it.
const BoolKey kOptionKeys[] = {
    {"CaseSensitive", &AppSettingsData::CaseSensitive, false},
    {"CompareEmpty", &AppSettingsData::CompareEmpty, false},
    {"AddrAccount", &AppSettingsData::AddrAccount, true},
    {"AddrContact", &AppSettingsData::AddrContact, true},
    {"AddrLead", &AppSettingsData::AddrLead, true},
};

// The merge options, read and written after every other key.
const BoolKey kMergeKeys[] = {
    {"MergeMoveRelated", &AppSettingsData::MergeMoveRelated, false},
    {"MergeFillEmpty", &AppSettingsData::MergeFillEmpty, false},
};

// The stricter matching options, read and written after the merge options.
const BoolKey kMatchKeys[] = {
    {"AddrStrictEmail", &AppSettingsData::AddrStrictEmail, false},
    {"NormaliseCompare", &AppSettingsData::NormaliseCompare, false},
};

// A value edited by hand may be longer than its field; it is cut at the field's width on a
// character boundary instead of wherever the ini reader would stop.
template <std::size_t N> void ReadText(const char* szKey, char (&field)[N])
{
    char szValue[1024] = {};
    SettingsFile->ReadIniString(kSection, szKey, szValue, sizeof szValue, "");
    CopyText(field, szValue);
}

template <std::size_t N> void ReadBools(const BoolKey (&keys)[N])
{
    for (const BoolKey& key : keys)
        AppSettings.*key.pField = SettingsFile->ReadIniBool(kSection, key.szKey, key.bDefault);
}

template <std::size_t N> void WriteBools(const BoolKey (&keys)[N])
{
    for (const BoolKey& key : keys)
        SettingsFile->WriteIniBool(kSection, key.szKey, AppSettings.*key.pField);
}

bool EnsureFolder(const std::string& folder)
{
    return plat::PathExists(folder.c_str()) || plat::CreateFolder(folder.c_str());
}

} // namespace

bool GetAppDataFolder(char* szBuf)
{
    if (szBuf == nullptr)
        return false;
    std::string root;
    if (!plat::GetAppDataRoot(root) || root.empty())
        return false;
    const std::string company = root + plat::kPathSeparator + "quorvel" + plat::kPathSeparator;
    const std::string folder = company + "Veltrane" + plat::kPathSeparator;
    // Checked before anything is created: a folder that cannot be handed out is not made.
    if (folder.size() > 259)
        return false;
    if (!EnsureFolder(company) || !EnsureFolder(folder))
        return false;
    std::memcpy(szBuf, folder.c_str(), folder.size() + 1);
    return true;
}

void LoadSettings()
{
    if (SettingsFile == nullptr)
        return;
    AppSettings = AppSettingsData();

    ReadText("HostName", AppSettings.HostName);
    ReadText("UserName", AppSettings.UserName);
    AppSettings.SaveUser = SettingsFile->ReadIniBool(kSection, "SaveUser", true);
    AppSettings.SavePassword = SettingsFile->ReadIniBool(kSection, "SavePassword", false);
    if (AppSettings.SavePassword) {
        ReadText("Password", AppSettings.StoredPassword);
        // A hand-edited value may decode to more than the field holds: decode in full, then cut.
        char szDecoded[sizeof AppSettings.StoredPassword];
        DecodePassword(AppSettings.StoredPassword, szDecoded, sizeof szDecoded);
        CopyText(AppSettings.Password, szDecoded);
    }
    AppSettings.AppFlag = SettingsFile->ReadIniInt(kSection, "AppFlag", DataKind::Contacts);
    ReadBools(kOptionKeys);
    ReadBools(kRuleKeys);
    ReadBools(kMergeKeys);
    ReadBools(kMatchKeys);
}

void SaveSettings()
{
    if (SettingsFile == nullptr)
        return;

    // The file holds the remembered password: a new one is owner-only before anything goes in,
    // and an existing one that was opened up by hand is closed again below.
    const char* szPath = SettingsFile->GetIniPath();
    if (!plat::PathExists(szPath))
        plat::CreateOwnerOnlyFile(szPath);

    SettingsFile->WriteIniInt(kSection, "AppFlag", AppSettings.AppFlag);
    WriteBools(kOptionKeys);
    SettingsFile->WriteIniString(kSection, "HostName", AppSettings.HostName);
    // An unticked "Remember User Name" keeps the name out of the file.
    SettingsFile->WriteIniString(kSection, "UserName", AppSettings.SaveUser ? AppSettings.UserName : "");
    SettingsFile->WriteIniBool(kSection, "SaveUser", AppSettings.SaveUser);
    SettingsFile->WriteIniBool(kSection, "SavePassword", AppSettings.SavePassword);
    if (AppSettings.SavePassword) {
        const char* pEnd = std::find(AppSettings.Password, AppSettings.Password + sizeof AppSettings.Password, '\0');
        EncodePassword(AppSettings.Password, static_cast<std::size_t>(pEnd - AppSettings.Password),
                       AppSettings.StoredPassword, sizeof AppSettings.StoredPassword);
        SettingsFile->WriteIniString(kSection, "Password", AppSettings.StoredPassword);
    }
    else {
        SettingsFile->WriteIniString(kSection, "Password", "");
    }
    WriteBools(kRuleKeys);
    WriteBools(kMergeKeys);
    WriteBools(kMatchKeys);
    plat::RestrictToOwner(szPath);
}
