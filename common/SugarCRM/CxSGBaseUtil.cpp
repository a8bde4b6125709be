// SPDX-License-Identifier: MIT
#include "SugarCRM/CxSGBaseUtil.h"

#include "SugarCRM/CxSGDataReader.h"
#include "SugarCRM/CxSGParamParser.h"
#include "misc/CxDebugUtil.h"
#include "misc/CxIniUtil.h"
#include "misc/TextUtil.h"
#include "misc/WinUtil.h"
#include "platform/Platform.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace
{

constexpr std::size_t kMaxPath = 260;

// Puts the folder in place of the one "%s" of a status settings file name format. The format is
// only ever a fixed name, but anything else in it is refused rather than handed to printf.
bool FormatFolderPath(const char* szFormat, const char* szFolder, char* szPath)
{
    const char* szMark = szFormat != nullptr ? std::strstr(szFormat, "%s") : nullptr;
    if (szMark == nullptr || std::strchr(szMark + 2, '%') != nullptr ||
        std::memchr(szFormat, '%', static_cast<std::size_t>(szMark - szFormat)) != nullptr)
        return false;
    const std::string path = std::string(szFormat, szMark) + szFolder + (szMark + 2);
    if (path.size() >= kMaxPath)
        return false;
    std::memcpy(szPath, path.c_str(), path.size() + 1);
    return true;
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
    char szModuleFolder[kMaxPath];
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
    char szPath[kMaxPath];
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

void CxSGBaseUtil::RunHelper(int nOperation)
{
    m_nOperation = nOperation;

    // Every exchange file must be reachable before the helper is started; a cut path would name
    // another file.
    char szParamPath[kMaxPath];
    char szPath[kMaxPath];
    if (!MakePath(m_szParamFile, szParamPath) || !MakePath(m_szDataFile, szPath) || !MakePath(m_szErrorFile, szPath) ||
        !MakePath(m_szStatusFile, szPath)) {
        ClearError();
        DEBUG_LOG(LOG_CRITICAL, "Helper utility program %s not started: exchange file path too long.", HelperProgram());
        return;
    }

    char szNumber[16];
    CxSGParamParser params;
    params.SetParam(1000, m_szHostName);
    params.SetParam(1001, m_szUserName);
    params.SetParam(1002, m_szPassword);
    params.SetParam(1003, m_szDataFile);
    params.SetParam(1004, m_szFolder);
    std::snprintf(szNumber, sizeof szNumber, "%d", m_nOperation);
    params.SetParam(1005, szNumber);
    params.SetParam(1006, m_szErrorFile);
    params.SetParam(1007, m_szStatusFile);
    params.SetParam(1008, m_szLogLocation);
    params.SetParam(1009, m_szReserved);
    std::snprintf(szNumber, sizeof szNumber, "%d", m_nLogLevel);
    params.SetParam(1010, szNumber);
    params.SetParam(1011, m_bLogEnabled ? "1" : "0");
    AddKindParams(params);

    // The file holds the password: it is made owner-only before the first byte is written, and
    // not written at all when that fails. The helper is started either way, but must not find the
    // file of an earlier run and repeat that job.
    if (!plat::CreateOwnerOnlyFile(szParamPath) || !params.SaveToFile(szParamPath))
        plat::DeleteFile(szParamPath);

    ClearError();
    // An error file left by an earlier run would be read back as this run's failure.
    char szErrorPath[kMaxPath];
    if (MakePath(m_szErrorFile, szErrorPath))
        plat::DeleteFile(szErrorPath);
    CxSGDataReader& runner = Runner();
    runner.SetFolder(m_szFolder);
    runner.SetProgram(HelperProgram());
    runner.SetParamFile(m_szParamFile);
    runner.SetDataFile(m_szDataFile);
    runner.Run();

    ReadErrorFile();
}

void CxSGBaseUtil::AddKindParams(CxSGParamParser&) {}

void CxSGBaseUtil::ReadErrorFile()
{
    ClearError();
    char szPath[kMaxPath];
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

void CxSGBaseUtil::ClearError()
{
    m_bHasError = false;
    m_szError[0] = '\0';
}

void CxSGBaseUtil::RequestStop(const char* szStatusIniFormat)
{
    char szPath[kMaxPath];
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
    if (nFolder + nName >= kMaxPath) {
        DEBUG_LOG(LOG_CRITICAL, "Path longer than %d characters: %s%s", static_cast<int>(kMaxPath - 1), m_szFolder,
                  szName);
        return false;
    }
    std::memcpy(szPath, m_szFolder, nFolder);
    std::memcpy(szPath + nFolder, szName, nName + 1);
    return true;
}
