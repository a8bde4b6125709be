// SPDX-License-Identifier: MIT
// The settings record, the settings file it persists in and the application data folder.
#pragma once

#include <cstdint>

class CxIniUtil;

// The bits of AppSettings.AppFlag. Consumers test each bit on its own and handle the kinds in
// this order. Kept in a namespace so that the short names stay out of the global scope.
namespace DataKind
{
enum Kind : int32_t
{
    Contacts = 1,
    Calendar = 2,
    Tasks = 4,
    Notes = 8
};
} // namespace DataKind

// Field order and widths are fixed; every text is NUL-terminated within its width.
struct AppSettingsData
{
    char HostName[256];
    char UserName[64];
    char Password[64];
    char StoredPassword[256];
    bool SaveUser;
    bool SavePassword;
    int32_t AppFlag;
    bool CaseSensitive;
    bool CompareEmpty;
    bool AddrAccount;
    bool AddrContact;
    bool AddrLead;
    bool AddrDisplayName;
    bool AddrFirstName;
    bool AddrLastName;
    bool AddrDepartment;
    bool AddrTitle;
    bool AddrEmail;
    bool AddrPhone;
    bool AddrAddress;
    bool AddrBirthday;
    bool AddrNote;
    bool DateSubject;
    bool DateStartTime;
    bool DateEndTime;
    bool DateLocation;
    bool DateContactID;
    bool DateAssignedID;
    bool DateNote;
    bool TaskSubject;
    bool TaskImportance;
    bool TaskDueDate;
    bool TaskStatus;
    bool TaskContactID;
    bool TaskAssignedID;
    bool TaskNote;
    bool DebugEnabled;
    int32_t DebugLevel;
    // Merge instead of plain deletion: both off deletes exactly as without them.
    bool MergeMoveRelated;
    bool MergeFillEmpty;
    // Stricter matching: both off compares exactly as without them.
    bool AddrStrictEmail;  // two contacts that both have addresses must share one
    bool NormaliseCompare; // blanks, Unicode case, phone digits and e-mail blanks folded
};

extern AppSettingsData AppSettings;

// The settings file; start-up creates it. While it is null, LoadSettings and SaveSettings do nothing.
extern CxIniUtil* SettingsFile;

// Fills szBuf (260 characters) with the application data folder, ending with the path separator,
// creating its two sub-folders when missing. False, with szBuf untouched, on any failure.
bool GetAppDataFolder(char* szBuf);

void LoadSettings();
void SaveSettings();
