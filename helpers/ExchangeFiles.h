// SPDX-License-Identifier: MIT
// The small files through which a helper reports to the program that started it.
#pragma once

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

// The error file: section Error, Error.Count and one Error.N entry per failure.
class ErrorFile
{
public:
    explicit ErrorFile(std::string path) : m_path(std::move(path)) {}

    // A run starts with no errors: an entry left by an earlier run would be read as this run's.
    void Reset();
    // Appends one entry; line breaks become blanks and the text is cut to what the reader takes.
    bool Add(const QString& text);
    int Count() const { return m_nCount; }
    // After a submission with failures: the data file positions of the marked records that are
    // still on the server (failed, or never tried), so the program can tell them from the rest.
    bool SetNotDeleted(const std::vector<uint32_t>& positions);

private:
    std::string m_path;
    int m_nCount = 0;
};

// The progress file, whose first line the program shows while the helper works. Every update
// replaces the whole file in one step, so a reader never sees a half-written line.
class ProgressFile
{
public:
    explicit ProgressFile(std::string path) : m_path(std::move(path)) {}
    bool Set(const QString& line);

private:
    std::string m_path;
};

// Section Status of the helper's status settings file: Running while the helper works, and the
// Stop request that the program writes when it no longer wants the result.
class RunState
{
public:
    explicit RunState(std::string path) : m_path(std::move(path)) {}

    // Clears a stop request left from an earlier run, then sets Running.
    void Begin();
    bool StopRequested() const;
    void End();

private:
    std::string m_path;
};
