// SPDX-License-Identifier: MIT
#pragma once

#include <mutex>
#include <string>

// The helper's own diagnostic log: the program's line format, in a file of the helper's own in
// the log folder the program names. Off unless the program switched its log on; when on, a line
// is written when its level is at most the chosen level. Passwords and session ids never go here.
class HelperLog
{
public:
    void Configure(const std::string& folder, const char* szFileName, int nLevel, bool bEnabled);
    void Write(int nLevel, const char* szSource, int nLine, const char* szFormat, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 5, 6)))
#endif
        ;
    const std::string& GetPath() const
    {
        return m_path;
    }

private:
    std::string m_path;
    // Pages are taken on a thread of their own: one writer at a time keeps the size check and the
    // roll-over to ".old.log" whole.
    std::mutex m_writing;
    int m_nLevel = 0;
    bool m_bEnabled = false;
};

extern HelperLog HelperDebugLog;

#define HELPER_LOG(level, ...) HelperDebugLog.Write((level), __FILE__, __LINE__, __VA_ARGS__)
