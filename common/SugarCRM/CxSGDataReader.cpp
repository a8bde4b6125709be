// SPDX-License-Identifier: MIT
#include "SugarCRM/CxSGDataReader.h"

#include "misc/CxDebugUtil.h"
#include "misc/TextUtil.h"
#include "misc/WinUtil.h"
#include "platform/Platform.h"

#include <string>

namespace
{

// Deletes folder + name; a name never set, or a run without a folder, leaves nothing to delete.
void DeleteExchangeFile(const char* szFolder, const char* szName)
{
    if (szFolder[0] != '\0' && szName[0] != '\0')
        plat::DeleteFile((std::string(szFolder) + szName).c_str());
}

} // namespace

CxSGDataReader::CxSGDataReader()
{
    m_szProgram[0] = '\0';
    m_szFolder[0] = '\0';
    m_szParamFile[0] = '\0';
    m_szDataFile[0] = '\0';
}

CxSGDataReader::~CxSGDataReader()
{
    ReleaseProcess();
    // The parameter file holds the password in clear text: it must not outlive the program.
    DeleteExchangeFile(m_szFolder, m_szParamFile);
    DeleteExchangeFile(m_szFolder, m_szDataFile);
}

void CxSGDataReader::SetProgram(const char* szProgram)
{
    if (szProgram != nullptr)
        CopyText(m_szProgram, szProgram);
}

void CxSGDataReader::SetFolder(const char* szFolder)
{
    if (szFolder != nullptr)
        CopyText(m_szFolder, szFolder);
}

void CxSGDataReader::SetParamFile(const char* szParamFile)
{
    if (szParamFile != nullptr)
        CopyText(m_szParamFile, szParamFile);
}

void CxSGDataReader::SetDataFile(const char* szDataFile)
{
    if (szDataFile != nullptr)
        CopyText(m_szDataFile, szDataFile);
}

void CxSGDataReader::Run()
{
    ReleaseProcess();

    // Remembered whole, however long, so that it can always be restored exactly.
    std::string originalDir;
    const bool bKnownDir = plat::GetCurrentDir(originalDir);
    if (bKnownDir)
        DEBUG_LOG(LOG_MEDIUM, "Original current directory: %s", originalDir.c_str());
    else
        DEBUG_LOG(LOG_CRITICAL, "Cannot read the current directory; it stays as it is for this run.");

    // Without a directory to come back to, the process-wide state is left alone.
    char szModuleFolder[260];
    if (bKnownDir) {
        if (GetModuleFolder(nullptr, szModuleFolder) && plat::SetCurrentDir(szModuleFolder))
            DEBUG_LOG(LOG_MEDIUM, "Set current directory: %s", szModuleFolder);
        else
            DEBUG_LOG(LOG_CRITICAL, "Cannot make the program's folder the current directory.");
    }

    const std::string commandLine = std::string("\"") + m_szProgram + "\" \"" + m_szFolder + m_szParamFile + "\"";
    DEBUG_LOG(LOG_MEDIUM, "Executing command: %s", commandLine.c_str());

    std::string errorText;
    m_hProcess = plat::StartProcess(commandLine, errorText);
    if (m_hProcess == nullptr) {
        DEBUG_LOG(LOG_CRITICAL, "CreateProcess Error: %s", errorText.c_str());
    }
    else {
        DEBUG_LOG(LOG_MEDIUM, "Command executed successfully.");
        long nRawResult = 0;
        switch (plat::WaitForProcess(m_hProcess, m_nWaitLimit, nRawResult)) {
        case plat::WaitResult::Exited:
            DEBUG_LOG(LOG_MEDIUM, "Helper utility program exited successfully.");
            break;
        case plat::WaitResult::TimedOut:
            DEBUG_LOG(LOG_MEDIUM, "The helper utility program has no response. Got timeout event.");
            break;
        case plat::WaitResult::Failed:
            DEBUG_LOG(LOG_CRITICAL, "Got unexpected error, return code=%d", static_cast<int>(nRawResult));
            break;
        }
        ReleaseProcess();
    }

    if (bKnownDir && !plat::SetCurrentDir(originalDir.c_str()))
        DEBUG_LOG(LOG_CRITICAL, "Cannot restore the current directory: %s", originalDir.c_str());
}

void CxSGDataReader::ReleaseProcess()
{
    if (m_hProcess != nullptr) {
        plat::CloseProcess(m_hProcess);
        m_hProcess = nullptr;
    }
}
