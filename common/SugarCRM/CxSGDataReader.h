// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace plat
{
struct ProcessHandle;
}

// Runs one helper program hidden, with its parameter file on the command line, and waits for it
// at most the wait limit. One runner per data kind lives until the program ends; its destructor
// deletes the parameter file (it holds the password) and the data file of its last run.
class CxSGDataReader
{
public:
    static constexpr uint32_t kDefaultWaitLimitMs = 1800000;

    CxSGDataReader();
    virtual ~CxSGDataReader();
    CxSGDataReader(const CxSGDataReader&) = delete;
    CxSGDataReader& operator=(const CxSGDataReader&) = delete;

    void SetProgram(const char* szProgram);
    void SetFolder(const char* szFolder);
    void SetParamFile(const char* szParamFile);
    void SetDataFile(const char* szDataFile);

    void Run();

    // Test seam: the default limit stays 30 minutes.
    void SetWaitLimitForTesting(uint32_t nMilliseconds) { m_nWaitLimit = nMilliseconds; }
    uint32_t GetWaitLimit() const { return m_nWaitLimit; }

private:
    void ReleaseProcess();

    char m_szProgram[260];
    char m_szFolder[260];
    char m_szParamFile[260];
    char m_szDataFile[260];
    uint32_t m_nWaitLimit = kDefaultWaitLimitMs;
    plat::ProcessHandle* m_hProcess = nullptr;
};
