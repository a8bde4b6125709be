// SPDX-License-Identifier: MIT
#include "SugarCRM/CxSGBaseUtil.h"

#include "SugarCRM/CxSGDataReader.h"
#include "SugarCRM/CxSGParamParser.h"
#include "SugarCRM/SGParamTags.h"
#include "misc/CxDebugUtil.h"
#include "misc/CxIniUtil.h"
#include "misc/TextUtil.h"
#include "misc/WinUtil.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

namespace
{

// Puts the folder in place of the one "%s" of a status settings file name format. The format is
// only ever a fixed name, but anything else in it is refused rather than handed to printf.
bool FormatFolderPath(const char* szFormat, const char* szFolder, char* szPath)
{
    const char* szMark = szFormat != nullptr ? std::strstr(szFormat, "%s") : nullptr;
    if (szMark == nullptr || std::strchr(szMark + 2, '%') != nullptr ||
        std::memchr(szFormat, '%', static_cast<std::size_t>(szMark - szFormat)) != nullptr)
        return false;
    const std::string path = std::string(szFormat, szMark) + szFolder + (szMark + 2);
    if (path.size() >= plat::kMaxPath)
        return false;
    std::memcpy(szPath, path.c_str(), path.size() + 1);
    return true;
}

// "30 minutes" for the default limit; shorter test limits in the largest unit that divides them.
std::string DurationText(uint32_t nMilliseconds)
{
    const auto plural = [](uint32_t n, const char* szUnit) {
        return std::to_string(n) + " " + szUnit + (n == 1 ? "" : "s");
    };
    if (nMilliseconds != 0 && nMilliseconds % 60000 == 0)
        return plural(nMilliseconds / 60000, "minute");
    if (nMilliseconds != 0 && nMilliseconds % 1000 == 0)
        return plural(nMilliseconds / 1000, "second");
    return plural(nMilliseconds, "millisecond");
}

} // namespace

CxSGBaseUtil::CxSGBaseUtil()
{
    m_szHostName[0] = '\0';
    m_szUserName[0] = '\0';
    m_szPassword[0] = '\0';
    m_szFolder[0] = '\0';
    m_szDataFile[0] = '\0';
    m_szParamFile[0] = '\0';
    m_szErrorFile[0] = '\0';
    m_szStatusFile[0] = '\0';
    m_szError[0] = '\0';
    m_szReserved[0] = '\0';
    CopyText(m_szLogLocation, "appdebug.log");
    // A program folder too long for the field would name another folder once cut: keep none.
    char szModuleFolder[plat::kMaxPath];
    if (GetModuleFolder(nullptr, szModuleFolder) && std::strlen(szModuleFolder) < sizeof m_szFolder)
        CopyText(m_szFolder, szModuleFolder);
}

CxSGBaseUtil::~CxSGBaseUtil()
{
    CxSGBaseUtil::Clear();
}

bool CxSGBaseUtil::Load()
{
    return true;
}

bool CxSGBaseUtil::Clear()
{
    char szPath[plat::kMaxPath];
    if (MakePath(m_szStatusFile, szPath))
        plat::DeleteFile(szPath);
    if (MakePath(m_szErrorFile, szPath))
        plat::DeleteFile(szPath);
    return true;
}

bool CxSGBaseUtil::Submit()
{
    return false;
}

void CxSGBaseUtil::SetHostName(const char* szText)
{
    CopyText(m_szHostName, szText);
}

void CxSGBaseUtil::SetUserName(const char* szText)
{
    CopyText(m_szUserName, szText);
}

void CxSGBaseUtil::SetPassword(const char* szText)
{
    CopyText(m_szPassword, szText);
}

void CxSGBaseUtil::SetWorkFolder(const char* szText)
{
    CopyText(m_szFolder, szText);
}

void CxSGBaseUtil::SetDataFileName(const char* szText)
{
    CopyText(m_szDataFile, szText);
}

void CxSGBaseUtil::SetParamFileName(const char* szText)
{
    CopyText(m_szParamFile, szText);
}

void CxSGBaseUtil::SetErrorFileName(const char* szText)
{
    CopyText(m_szErrorFile, szText);
}

void CxSGBaseUtil::SetStatusFileName(const char* szText)
{
    CopyText(m_szStatusFile, szText);
}

void CxSGBaseUtil::SetHelperLogLocation(const char* szText)
{
    CopyText(m_szLogLocation, szText);
}

void CxSGBaseUtil::SetHelperModules(const char* szText)
{
    CopyText(m_szReserved, szText);
}

void CxSGBaseUtil::SetMergeJob(int32_t nOptions, std::vector<KeepEntry> entries)
{
    m_nMergeOptions = nOptions;
    m_keep = std::move(entries);
}

void CxSGBaseUtil::SetMergeFileNames(const char* szKeepFile, const char* szMergeReport)
{
    m_keepFile = szKeepFile;
    m_mergeReport = szMergeReport;
}

bool CxSGBaseUtil::WriteKeepFile()
{
    m_merged.clear();
    if (m_nMergeOptions == 0)
        return true;
    char szPath[plat::kMaxPath];
    // A report left by an earlier run would be read back as this run's merges.
    if (MakePath(m_mergeReport.c_str(), szPath))
        plat::DeleteFile(szPath);
    if (MakePath(m_keepFile.c_str(), szPath) && ::WriteKeepFile(szPath, m_nMergeOptions, m_keep))
        return true;
    if (szPath[0] != '\0')
        plat::DeleteFile(szPath);
    m_bHasError = true;
    std::snprintf(m_szError, sizeof m_szError, "The list of records to merge could not be written to %s.",
                  m_keepFile.c_str());
    return false;
}

HelperOutcome CxSGBaseUtil::RunHelper(int nOperation)
{
    m_nOperation = nOperation;

    // Every exchange file must be reachable before the helper is started; a cut path would name
    // another file.
    char szParamPath[plat::kMaxPath];
    char szPath[plat::kMaxPath];
    if (!MakePath(m_szParamFile, szParamPath) || !MakePath(m_szDataFile, szPath) || !MakePath(m_szErrorFile, szPath) ||
        !MakePath(m_szStatusFile, szPath)) {
        DEBUG_LOG(LOG_CRITICAL, "Helper utility program %s not started: exchange file path too long.", HelperProgram());
        HelperOutcome outcome;
        outcome.text = "exchange file path too long";
        SetRunnerError(outcome);
        return outcome;
    }

    char szNumber[16];
    CxSGParamParser params;
    params.SetParam(SGParam::HostName, m_szHostName);
    params.SetParam(SGParam::UserName, m_szUserName);
    params.SetParam(SGParam::Password, m_szPassword);
    params.SetParam(SGParam::DataFile, m_szDataFile);
    params.SetParam(SGParam::Folder, m_szFolder);
    std::snprintf(szNumber, sizeof szNumber, "%d", m_nOperation);
    params.SetParam(SGParam::Operation, szNumber);
    params.SetParam(SGParam::ErrorFile, m_szErrorFile);
    params.SetParam(SGParam::StatusFile, m_szStatusFile);
    params.SetParam(SGParam::LogLocation, m_szLogLocation);
    params.SetParam(SGParam::Modules, m_szReserved);
    std::snprintf(szNumber, sizeof szNumber, "%d", m_nLogLevel);
    params.SetParam(SGParam::LogLevel, szNumber);
    params.SetParam(SGParam::LogEnabled, m_bLogEnabled ? "1" : "0");
    AddKindParams(params);
    const bool bMerge = nOperation == 2 && m_nMergeOptions != 0;
    if (bMerge) {
        params.SetParam(SGParam::KeepFile, m_keepFile.c_str());
        params.SetParam(SGParam::MergeReport, m_mergeReport.c_str());
    }

    // The file holds the password: it is made owner-only before the first byte is written, and
    // not written at all when that fails. The helper is started either way, but must not find the
    // file of an earlier run, or a half-written one, and act on it.
    const bool bParamsWritten = plat::CreateOwnerOnlyFile(szParamPath) && params.SaveToFile(szParamPath);
    if (!bParamsWritten) {
        DEBUG_LOG(LOG_CRITICAL, "Failed to write file: %s", szParamPath);
        plat::DeleteFile(szParamPath);
    }

    ClearError();
    // An error file left by an earlier run would be read back as this run's failure.
    char szErrorPath[plat::kMaxPath];
    if (MakePath(m_szErrorFile, szErrorPath))
        plat::DeleteFile(szErrorPath);
    CxSGDataReader& runner = Runner();
    runner.SetFolder(m_szFolder);
    runner.SetProgram(HelperProgram());
    runner.SetParamFile(m_szParamFile);
    runner.SetDataFile(m_szDataFile);
    HelperOutcome outcome = runner.Run();
    // Every run writes its own; the password must not wait on disk for the next one.
    plat::DeleteFile(szParamPath);

    ReadErrorFile();
    m_merged.clear();
    if (bMerge && MakePath(m_mergeReport.c_str(), szPath) && plat::PathExists(szPath))
        ReadMergeReport(szPath, m_merged);
    if (outcome.NeverFinished()) {
        SetRunnerError(outcome);
    }
    else if (!bParamsWritten && !m_bHasError) {
        m_bHasError = true;
        std::snprintf(m_szError, sizeof m_szError, "The job for %s could not be written to %s.", HelperProgram(),
                      m_szParamFile);
    }
    return outcome;
}

void CxSGBaseUtil::SetRunnerError(const HelperOutcome& outcome)
{
    m_bHasError = true;
    const char* szProgram = HelperProgram();
    switch (outcome.state) {
    case HelperOutcome::State::NotStarted:
        std::snprintf(m_szError, sizeof m_szError, "%s could not be started: %s", szProgram, outcome.text.c_str());
        break;
    case HelperOutcome::State::TimedOut:
        std::snprintf(m_szError, sizeof m_szError, "%s did not finish within %s", szProgram,
                      DurationText(Runner().GetWaitLimit()).c_str());
        break;
    case HelperOutcome::State::Abnormal:
        std::snprintf(m_szError, sizeof m_szError, "%s ended abnormally: %s", szProgram, outcome.text.c_str());
        break;
    case HelperOutcome::State::WaitFailed:
        std::snprintf(m_szError, sizeof m_szError, "%s could not be waited for; its outcome is unknown", szProgram);
        break;
    case HelperOutcome::State::Exited:
        m_bHasError = false;
        break;
    }
}

void CxSGBaseUtil::AddKindParams(CxSGParamParser&) {}

void CxSGBaseUtil::ReadErrorFile()
{
    ClearError();
    char szPath[plat::kMaxPath];
    if (!MakePath(m_szErrorFile, szPath))
        return;
    CxIniUtil ini(nullptr, nullptr);
    ini.SetIniPath(szPath);
    const int nCount = ini.ReadIniInt("Error", "Error.Count", 0);
    if (nCount <= 0)
        return;
    char szKey[32];
    std::snprintf(szKey, sizeof szKey, "Error.%d", nCount);
    ini.ReadIniString("Error", szKey, m_szError, sizeof m_szError, "");
    m_bHasError = true;
}

bool CxSGBaseUtil::ReadNotDeleted(std::vector<uint32_t>& positions) const
{
    positions.clear();
    char szPath[plat::kMaxPath];
    if (!MakePath(m_szErrorFile, szPath))
        return false;
    const int64_t nSize = plat::FileSize(szPath);
    if (nSize <= 0)
        return false;
    // The list can be as long as the file; a missing key reads as the one text no list can be.
    std::string value(static_cast<std::size_t>(nSize) + 1, '\0');
    value.resize(plat::GetPrivateProfileString("Submit", "NotDeleted", "-", &value[0], value.size(), szPath));
    if (value == "-")
        return false;
    uint64_t nNumber = 0;
    bool bInNumber = false;
    for (std::size_t i = 0; i <= value.size(); ++i) {
        const char c = i < value.size() ? value[i] : ',';
        if (c >= '0' && c <= '9') {
            nNumber = nNumber * 10 + static_cast<uint64_t>(c - '0');
            if (nNumber > UINT32_MAX)
                return false;
            bInNumber = true;
        }
        else if (c == ',' && (bInNumber || i == value.size())) {
            if (bInNumber)
                positions.push_back(static_cast<uint32_t>(nNumber));
            nNumber = 0;
            bInNumber = false;
        }
        else if (c != ' ') {
            DEBUG_LOG(LOG_CRITICAL, "Unreadable list of records not deleted in %s", szPath);
            positions.clear();
            return false;
        }
    }
    std::sort(positions.begin(), positions.end());
    return true;
}

void CxSGBaseUtil::ClearError()
{
    m_bHasError = false;
    m_szError[0] = '\0';
}

void CxSGBaseUtil::RequestStop(const char* szStatusIniFormat)
{
    char szPath[plat::kMaxPath];
    if (!FormatFolderPath(szStatusIniFormat, m_szFolder, szPath)) {
        DEBUG_LOG(LOG_CRITICAL, "Cannot form the status settings file path in folder %s", m_szFolder);
        return;
    }
    CxIniUtil ini(nullptr, nullptr);
    ini.SetIniPath(szPath);
    char szRunning[32];
    if (ini.ReadIniString("Status", "Running", szRunning, sizeof szRunning, "") == 0)
        return;
    if (ParseLeadingInt(szRunning) != 0)
        ini.WriteIniString("Status", "Stop", "1");
}

bool CxSGBaseUtil::MakePath(const char* szName, char* szPath) const
{
    szPath[0] = '\0';
    if (szName == nullptr || szName[0] == '\0')
        return false;
    const std::size_t nFolder = std::strlen(m_szFolder);
    const std::size_t nName = std::strlen(szName);
    if (nFolder + nName >= plat::kMaxPath) {
        DEBUG_LOG(LOG_CRITICAL, "Path longer than %d characters: %s%s", static_cast<int>(plat::kMaxPath - 1),
                  m_szFolder, szName);
        return false;
    }
    std::memcpy(szPath, m_szFolder, nFolder);
    std::memcpy(szPath + nFolder, szName, nName + 1);
    return true;
}
