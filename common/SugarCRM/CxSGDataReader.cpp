// SPDX-License-Identifier: MIT
#include "SugarCRM/CxSGDataReader.h"

#include "misc/CxDebugUtil.h"
#include "misc/TextUtil.h"
#include "misc/WinUtil.h"
#include "platform/Platform.h"

#include <atomic>
#include <string>

namespace
{

std::atomic<uint32_t> g_nWaitLimitForTesting{0};

// Deletes folder + name; a name never set, or a run without a folder, leaves nothing to delete.
void DeleteExchangeFile(const char* szFolder, const char* szName)
{
    if (szFolder[0] != '\0' && szName[0] != '\0')
        plat::DeleteFile((std::string(szFolder) + szName).c_str());
}

} // namespace

CxSGDataReader::CxSGDataReader(const char* szHelperFile)
{
    m_szProgram[0] = '\0';
    m_szFolder[0] = '\0';
    m_szParamFile[0] = '\0';
    m_szDataFile[0] = '\0';
    m_szHelperFile[0] = '\0';
    if (szHelperFile != nullptr)
        CopyText(m_szHelperFile, szHelperFile);
}

CxSGDataReader::~CxSGDataReader()
{
    ReleaseProcess();
    // The parameter file holds the password in clear text: it must not outlive the program.
    DeleteExchangeFile(m_szFolder, m_szParamFile);
    DeleteExchangeFile(m_szFolder, m_szDataFile);
    DeleteExchangeFile(m_szFolder, m_szHelperFile);
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

void CxSGDataReader::SetAllWaitLimitsForTesting(uint32_t nMilliseconds)
{
    g_nWaitLimitForTesting = nMilliseconds;
}

uint32_t CxSGDataReader::GetWaitLimit() const
{
    const uint32_t nForTesting = g_nWaitLimitForTesting;
    return nForTesting != 0 ? nForTesting : m_nWaitLimit;
}

HelperOutcome CxSGDataReader::Run()
{
    HelperOutcome outcome;
    ReleaseProcess();

    // Remembered whole, however long, so that it can always be restored exactly.
    std::string originalDir;
    const bool bKnownDir = plat::GetCurrentDir(originalDir);
    if (bKnownDir)
        DEBUG_LOG(LOG_MEDIUM, "Original current directory: %s", originalDir.c_str());
    else
        DEBUG_LOG(LOG_CRITICAL, "Cannot read the current directory; it stays as it is for this run.");

    // Without a directory to come back to, the process-wide state is left alone.
    char szModuleFolder[plat::kMaxPath];
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
        outcome.text = errorText;
    }
    else {
        DEBUG_LOG(LOG_MEDIUM, "Command executed successfully.");
        long nRawResult = 0;
        switch (plat::WaitForProcess(m_hProcess, GetWaitLimit(), nRawResult)) {
        case plat::WaitResult::Exited:
            TakeExit(outcome);
            break;
        case plat::WaitResult::TimedOut:
            DEBUG_LOG(LOG_MEDIUM, "The helper utility program has no response. Got timeout event.");
            outcome.state = HelperOutcome::State::TimedOut;
            break;
        case plat::WaitResult::Failed:
            DEBUG_LOG(LOG_CRITICAL, "Got unexpected error, return code=%d", static_cast<int>(nRawResult));
            outcome.state = HelperOutcome::State::WaitFailed;
            break;
        }
        ReleaseProcess();
    }

    if (bKnownDir && !plat::SetCurrentDir(originalDir.c_str()))
        DEBUG_LOG(LOG_CRITICAL, "Cannot restore the current directory: %s", originalDir.c_str());
    return outcome;
}

void CxSGDataReader::TakeExit(HelperOutcome& outcome)
{
    plat::ProcessExit exit;
    if (plat::GetProcessExit(m_hProcess, exit) && exit.bAbnormal) {
        DEBUG_LOG(LOG_CRITICAL, "Helper utility program ended abnormally: %s", exit.text.c_str());
        outcome.state = HelperOutcome::State::Abnormal;
        outcome.text = exit.text;
        return;
    }
    DEBUG_LOG(LOG_MEDIUM, "Helper utility program exited successfully.");
    outcome.state = HelperOutcome::State::Exited;
    outcome.nExitCode = exit.nCode;
    // Some helpers end with a non-zero code on purpose; what they report is in the error file.
    if (exit.nCode != 0)
        DEBUG_LOG(LOG_CRITICAL, "Helper utility program ended with exit code %u.", exit.nCode);
}

void CxSGDataReader::ReleaseProcess()
{
    if (m_hProcess != nullptr) {
        plat::CloseProcess(m_hProcess);
        m_hProcess = nullptr;
    }
}
