// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <string>

namespace plat
{
struct ProcessHandle;
}

// What became of one helper run, as far as the operating system can tell.
struct HelperOutcome
{
    enum class State
    {
        NotStarted, // text: the system's reason
        TimedOut,   // the helper was left running
        Abnormal,   // text: the signal or exception status
        WaitFailed,
        Exited // nExitCode holds the helper's exit code
    };
    State state = State::NotStarted;
    uint32_t nExitCode = 0;
    std::string text;

    // True unless the helper ended on its own; its files then prove nothing.
    bool NeverFinished() const { return state != State::Exited; }
};

// Runs one helper program hidden, with its parameter file on the command line, and waits for it
// at most the wait limit. One runner per data kind lives until the program ends; its destructor
// deletes the parameter file (it holds the password), the data file and the helper's own file of
// its last run.
class CxSGDataReader
{
public:
    static constexpr uint32_t kDefaultWaitLimitMs = 1800000;

    // szHelperFile: a file the helper keeps in the folder between its runs (the notes helper's id
    // list), deleted with the others at the end; null for none.
    explicit CxSGDataReader(const char* szHelperFile = nullptr);
    virtual ~CxSGDataReader();
    CxSGDataReader(const CxSGDataReader&) = delete;
    CxSGDataReader& operator=(const CxSGDataReader&) = delete;

    void SetProgram(const char* szProgram);
    void SetFolder(const char* szFolder);
    void SetParamFile(const char* szParamFile);
    void SetDataFile(const char* szDataFile);

    HelperOutcome Run();

    // Test seams: the default limit stays 30 minutes. The second one shortens the limit of every
    // runner, those the bridges keep included; 0 restores each runner's own.
    void SetWaitLimitForTesting(uint32_t nMilliseconds) { m_nWaitLimit = nMilliseconds; }
    static void SetAllWaitLimitsForTesting(uint32_t nMilliseconds);
    uint32_t GetWaitLimit() const;

private:
    void ReleaseProcess();
    void TakeExit(HelperOutcome& outcome);

    char m_szProgram[plat::kMaxPath];
    char m_szFolder[plat::kMaxPath];
    char m_szParamFile[plat::kMaxPath];
    char m_szDataFile[plat::kMaxPath];
    char m_szHelperFile[plat::kMaxPath];
    uint32_t m_nWaitLimit = kDefaultWaitLimitMs;
    plat::ProcessHandle* m_hProcess = nullptr;
};
