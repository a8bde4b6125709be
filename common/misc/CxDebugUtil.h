// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Platform.h"

#include <string>

namespace plat
{
struct SystemTime;
}

enum LogLevel
{
    LOG_CRITICAL = 0,
    LOG_HIGH = 1,
    LOG_MEDIUM = 2,
    LOG_LOW = 3
};

constexpr long long MAX_LOG_SIZE = 10485760;
// Longest formatted message; a longer one is cut.
constexpr int MAX_LOG_MESSAGE = 40959;

// The diagnostic log: one line per call, the file opened, written and closed each time.
class CxDebugUtil
{
public:
    CxDebugUtil();
    virtual ~CxDebugUtil() = default;

    void Log(int nLevel, const char* szSource, int nLine, const char* szFormat, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 5, 6)))
#endif
        ;
    void WriteLogLine(int nLevel, const char* szSource, int nLine, const char* szMessage);
    // The text of one line without its CR LF, for the given time and thread.
    static std::string FormatLogLine(int nLevel, const char* szSource, int nLine, const plat::SystemTime& st,
                                     unsigned long nThreadId, const char* szMessage);

    void SetLogFolder(const char* szFolder);
    void SetLogLevel(int nLevel);
    void EnableLog(bool bEnable);

    const char* GetLogFolder() const
    {
        return m_szLogFolder;
    }
    const char* GetLogFile() const
    {
        return m_szLogFile;
    }
    int GetLogLevel() const
    {
        return m_nLevel;
    }
    bool IsEnabled() const
    {
        return m_bEnable;
    }

private:
    char m_szLogFile[plat::kMaxPath];
    char m_szLogFolder[plat::kMaxPath];
    int m_nLevel = 0;
    bool m_bEnable = false;
};

extern CxDebugUtil DebugLog;

// Writes a log line stamped with the calling source file and line.
#define DEBUG_LOG(level, ...) DebugLog.Log((level), __FILE__, __LINE__, __VA_ARGS__)
