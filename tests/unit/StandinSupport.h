// SPDX-License-Identifier: MIT
// What the runner and bridge tests share: the stand-in helper's script and record files, and the
// diagnostic log's lines.
#pragma once

#include "TempDir.h"

#include "misc/CxDebugUtil.h"

#include <chrono>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

// Points the process-wide log at a test folder, fully enabled, and puts it back afterwards.
class ScopedTestLog
{
public:
    explicit ScopedTestLog(const std::string& folder, int nLevel = LOG_LOW)
        : m_folder(folder), m_savedFolder(DebugLog.GetLogFolder()), m_nSavedLevel(DebugLog.GetLogLevel()),
          m_bSavedEnabled(DebugLog.IsEnabled())
    {
        DebugLog.SetLogFolder(folder.c_str());
        DebugLog.SetLogLevel(nLevel);
        DebugLog.EnableLog(true);
    }
    ~ScopedTestLog()
    {
        DebugLog.SetLogFolder(m_savedFolder.c_str());
        DebugLog.SetLogLevel(m_nSavedLevel);
        DebugLog.EnableLog(m_bSavedEnabled);
    }
    ScopedTestLog(const ScopedTestLog&) = delete;
    ScopedTestLog& operator=(const ScopedTestLog&) = delete;

    struct Line
    {
        std::string mark;
        std::string message;
    };

    // The mark ("!!!" or three blanks) and the message of every line written so far.
    std::vector<Line> Lines() const
    {
        std::vector<Line> lines;
        std::istringstream in(ReadText(m_folder + "appdebug.log"));
        std::string text;
        while (std::getline(in, text)) {
            if (!text.empty() && text.back() == '\r')
                text.pop_back();
            const std::size_t pos = text.find("] - ");
            if (pos != std::string::npos && pos >= 3)
                lines.push_back({text.substr(pos - 3, 3), text.substr(pos + 4)});
        }
        return lines;
    }

    std::vector<std::string> Messages() const
    {
        std::vector<std::string> messages;
        for (const Line& line : Lines())
            messages.push_back(line.message);
        return messages;
    }

private:
    std::string m_folder;
    std::string m_savedFolder;
    int m_nSavedLevel;
    bool m_bSavedEnabled;
};

// The script that the stand-in for `kind` ("Addr", "Task"...) follows in the exchange folder.
inline void WriteStandinScript(const std::string& folder, const std::string& kind, const std::string& script)
{
    WriteText(folder + "SG" + kind + "Script.txt", script);
}

// The key=value lines the stand-in's "record" command left.
inline std::map<std::string, std::string> ReadStandinRecord(const std::string& folder, const std::string& kind)
{
    std::map<std::string, std::string> record;
    std::istringstream in(ReadText(folder + "SG" + kind + "Record.txt"));
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t pos = line.find('=');
        if (pos != std::string::npos)
            record[line.substr(0, pos)] = line.substr(pos + 1);
    }
    return record;
}

// Polls until the condition holds or the time has passed; the result is the condition's last answer.
inline bool WaitUntil(const std::function<bool()>& condition, int nMilliseconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nMilliseconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}
