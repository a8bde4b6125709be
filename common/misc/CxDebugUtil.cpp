// SPDX-License-Identifier: MIT
#include "misc/CxDebugUtil.h"

#include "misc/CxFile.h"
#include "misc/TextUtil.h"
#include "platform/Platform.h"

#include <cstdarg>
#include <cstdio>

CxDebugUtil DebugLog;

namespace
{

constexpr std::size_t kMaxSourceName = 255;

// The file name without its folders. __FILE__ holds backslashes on Windows and slashes elsewhere.
std::string SourceName(const char* szSource)
{
    if (szSource == nullptr)
        return "<null>";
    const char* szName = szSource;
    for (const char* p = szSource; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/')
            szName = p + 1;
    }
    std::size_t nLength = 0;
    while (nLength < kMaxSourceName && szName[nLength] != '\0')
        ++nLength;
    return std::string(szName, nLength);
}

} // namespace

CxDebugUtil::CxDebugUtil()
{
    CopyText(m_szLogFile, "appdebug.log");
    CopyText(m_szLogFolder, "./");
}

void CxDebugUtil::Log(int nLevel, const char* szSource, int nLine, const char* szFormat, ...)
{
    if (nLevel != LOG_CRITICAL && !(m_bEnable && nLevel <= m_nLevel))
        return;

    std::string message(static_cast<std::size_t>(MAX_LOG_MESSAGE) + 1, '\0');
    int nLength = 0;
    if (szFormat != nullptr) {
        va_list args;
        va_start(args, szFormat);
        // clang-tidy 14's analyzer misses va_start in a variadic member function.
        // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized)
        nLength = std::vsnprintf(&message[0], message.size(), szFormat, args);
        va_end(args);
    }
    if (nLength < 0)
        nLength = 0;
    if (nLength > MAX_LOG_MESSAGE)
        nLength = static_cast<int>(plat::AnsiFitLength(message.c_str(), MAX_LOG_MESSAGE));
    message.resize(static_cast<std::size_t>(nLength));
    WriteLogLine(nLevel, szSource, nLine, message.c_str());
}

std::string CxDebugUtil::FormatLogLine(int nLevel, const char* szSource, int nLine, const plat::SystemTime& st,
                                       unsigned long nThreadId, const char* szMessage)
{
    const char* szMark = nLevel == LOG_CRITICAL ? "!!!" : "   ";
    const std::string source = SourceName(szSource);
    // Room for the longest source name and every numeric field at its widest.
    char szHead[512];
    std::snprintf(szHead, sizeof szHead, "[%04d/%02d/%02d %02d:%02d:%02d][%-20s(%-4d)][%05lx][%s] - ", st.wYear,
                  st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, source.c_str(), nLine, nThreadId, szMark);
    std::string line(szHead);
    if (szMessage != nullptr)
        line += szMessage;
    return line;
}

void CxDebugUtil::WriteLogLine(int nLevel, const char* szSource, int nLine, const char* szMessage)
{
    plat::SystemTime st;
    plat::GetLocalTime(st);
    const std::string line = FormatLogLine(nLevel, szSource, nLine, st, plat::CurrentThreadId(), szMessage);

    const std::string logPath = std::string(m_szLogFolder) + m_szLogFile;
    const char* szMode = "ab";
    if (CxFile::GetFileSize(logPath.c_str()) > MAX_LOG_SIZE) {
        // A failed copy loses the old lines; the log restarts all the same so it cannot grow forever.
        plat::CopyFile(logPath.c_str(), (logPath + ".old.log").c_str());
        szMode = "wb";
    }
    CxFile file;
    if (file.Open(logPath.c_str(), szMode)) {
        file.WriteLine(line.c_str());
        file.Close();
    }
}

void CxDebugUtil::SetLogFolder(const char* szFolder)
{
    if (szFolder != nullptr)
        CopyText(m_szLogFolder, szFolder);
}

void CxDebugUtil::SetLogLevel(int nLevel)
{
    m_nLevel = nLevel < LOG_CRITICAL ? LOG_CRITICAL : (nLevel > LOG_LOW ? LOG_LOW : nLevel);
}

void CxDebugUtil::EnableLog(bool bEnable)
{
    m_bEnable = bEnable;
}
