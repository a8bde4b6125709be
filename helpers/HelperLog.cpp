// SPDX-License-Identifier: MIT
#include "HelperLog.h"

#include "misc/CxDebugUtil.h"
#include "misc/CxFile.h"
#include "platform/Platform.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

HelperLog HelperDebugLog;

void HelperLog::Configure(const std::string& folder, const char* szFileName, int nLevel, bool bEnabled)
{
    m_path = folder + szFileName;
    m_nLevel = nLevel;
    m_bEnabled = bEnabled && !folder.empty();
}

void HelperLog::Write(int nLevel, const char* szSource, int nLine, const char* szFormat, ...)
{
    if (!m_bEnabled || nLevel > m_nLevel || szFormat == nullptr)
        return;
    std::vector<char> message(static_cast<std::size_t>(MAX_LOG_MESSAGE) + 1);
    va_list args;
    va_start(args, szFormat);
    const int nLength = std::vsnprintf(message.data(), message.size(), szFormat, args);
    va_end(args);
    if (nLength < 0)
        return;
    if (static_cast<std::size_t>(nLength) >= message.size())
        message[plat::AnsiFitLength(message.data(), MAX_LOG_MESSAGE)] = '\0';

    plat::SystemTime st;
    plat::GetLocalTime(st);
    const std::string line =
        CxDebugUtil::FormatLogLine(nLevel, szSource, nLine, st, plat::CurrentThreadId(), message.data());
    const std::lock_guard<std::mutex> lock(m_writing);
    const char* szMode = "ab";
    if (CxFile::GetFileSize(m_path.c_str()) > MAX_LOG_SIZE) {
        plat::CopyFile(m_path.c_str(), (m_path + ".old.log").c_str());
        szMode = "wb";
    }
    CxFile file;
    if (file.Open(m_path.c_str(), szMode)) {
        file.WriteLine(line.c_str());
        file.Close();
    }
}
