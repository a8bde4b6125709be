// SPDX-License-Identifier: MIT
#pragma once

#include "SugarCRM/CxSGDataReader.h"
#include "SugarCRM/MergeFiles.h"

#include <cstdint>
#include <string>
#include <vector>

class CxSGParamParser;

// What every bridge to a helper program shares: login, folder and file names, the helper run,
// the error file and the stop request for a helper that may still be running.
class CxSGBaseUtil
{
public:
    CxSGBaseUtil();
    virtual ~CxSGBaseUtil();
    CxSGBaseUtil(const CxSGBaseUtil&) = delete;
    CxSGBaseUtil& operator=(const CxSGBaseUtil&) = delete;

    virtual bool Load();
    // Deletes the status file and the error file from the folder.
    virtual bool Clear();
    virtual bool Submit();

    // A missing or empty text empties the field; longer text is cut at 255 characters.
    void SetHostName(const char* szText);
    void SetUserName(const char* szText);
    void SetPassword(const char* szText);
    void SetWorkFolder(const char* szText);
    void SetDataFileName(const char* szText);
    void SetParamFileName(const char* szText);
    void SetErrorFileName(const char* szText);
    void SetStatusFileName(const char* szText);
    void SetHelperLogLocation(const char* szText);
    // Parameter SGParam::Modules: the contacts helper fetches only the modules named here ("Contacts,Accounts,
    // Leads" or a part of it, in that order); empty means all of them.
    void SetHelperModules(const char* szText);
    void SetHelperLogLevel(int nLevel) { m_nLogLevel = nLevel; }
    void SetHelperLogEnabled(bool bEnabled) { m_bLogEnabled = bEnabled; }

    // The next submission merges each listed record into its kept one before deleting it; options
    // 0 (the default) deletes plainly and writes no merge file.
    void SetMergeJob(int32_t nOptions, std::vector<KeepEntry> entries);
    // What the last merge run's report said; empty after a plain run.
    const std::vector<MergedRecord>& GetMergedRecords() const { return m_merged; }

    bool HasError() const { return m_bHasError; }
    const char* GetError() const { return m_szError; }
    bool IsChanged() const { return m_bChanged; }
    const char* GetWorkFolder() const { return m_szFolder; }
    const char* GetDataFileName() const { return m_szDataFile; }
    const char* GetStatusFileName() const { return m_szStatusFile; }
    int GetOperation() const { return m_nOperation; }
    // After a failed submission: true when the helper said which marked records the server still
    // holds; false when nothing can be taken as deleted.
    bool IsSubmitOutcomeKnown() const { return m_bOutcomeKnown; }

protected:
    // Writes the parameter file, runs the kind's helper and reads its error file. A helper that
    // could not be started, timed out or ended abnormally leaves the error state set with a text
    // that names the program and what happened.
    HelperOutcome RunHelper(int nOperation);
    void SetRunnerError(const HelperOutcome& outcome);
    void ReadErrorFile();
    // Key NotDeleted of section Submit in the error file: the data file positions (from 0) of the
    // marked records that a failed submission left on the server, in rising order. False when the
    // key is missing or unreadable.
    bool ReadNotDeleted(std::vector<uint32_t>& positions) const;
    void ClearError();
    // Asks a helper that keeps Running = 1 in the status settings file to stop.
    void RequestStop(const char* szStatusIniFormat);

    void SetMergeFileNames(const char* szKeepFile, const char* szMergeReport);
    // With a merge job: deletes the last merge report and writes the keep file. False, with the
    // error state set, when the keep file could not be written; true without a merge job.
    bool WriteKeepFile();

    // Full path of a file in the work folder; false when it does not fit 260 bytes.
    bool MakePath(const char* szName, char* szPath) const;

    // The kind's helper program and its runner, kept until the program ends.
    virtual const char* HelperProgram() const = 0;
    virtual CxSGDataReader& Runner() = 0;
    // The calendar bridge adds its own parameters after the shared ones.
    virtual void AddKindParams(CxSGParamParser& params);

    bool m_bChanged = true;
    bool m_bHasError = false;
    char m_szHostName[256];
    char m_szUserName[256];
    char m_szPassword[256];
    char m_szFolder[256];
    char m_szDataFile[256];
    char m_szParamFile[256];
    char m_szErrorFile[256];
    char m_szStatusFile[256];
    char m_szError[1024];
    char m_szLogLocation[256];
    char m_szReserved[256];
    int m_nLogLevel = 3;
    bool m_bLogEnabled = false;
    int m_nOperation = 0;
    bool m_bOutcomeKnown = false;
    int32_t m_nMergeOptions = 0;
    std::vector<KeepEntry> m_keep;
    std::vector<MergedRecord> m_merged;
    std::string m_keepFile;
    std::string m_mergeReport;
};
