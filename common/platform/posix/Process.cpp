// SPDX-License-Identifier: MIT
#include "platform/Platform.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

extern char** environ;

namespace plat
{

struct ProcessHandle
{
    pid_t pid = 0;
    bool bReaped = false;
    int status = 0;
};

namespace
{

constexpr std::chrono::milliseconds kPollInterval(10);

// The words of a command line as Windows splits it for a program: blanks separate words outside
// double quotation marks, and the marks themselves are dropped ("" is an empty word).
std::vector<std::string> SplitCommandLine(const std::string& commandLine)
{
    std::vector<std::string> words;
    std::string word;
    bool bInWord = false;
    bool bQuoted = false;
    for (const char c : commandLine) {
        if (c == '"') {
            bQuoted = !bQuoted;
            bInWord = true;
        }
        else if ((c == ' ' || c == '\t') && !bQuoted) {
            if (bInWord)
                words.push_back(word);
            word.clear();
            bInWord = false;
        }
        else {
            word += c;
            bInWord = true;
        }
    }
    if (bInWord)
        words.push_back(word);
    return words;
}

bool IsRegularFile(const std::string& path)
{
    struct stat st = {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Finds the program file: a name with a slash as given, else the running program's own folder
// first (where the helpers are installed), then PATH. Returns 0 or the errno value that says why
// there is none.
int FindProgram(const std::string& name, std::string& path)
{
    if (name.empty())
        return ENOENT;
    if (name.find('/') != std::string::npos) {
        path = name;
        return 0;
    }
    std::string module;
    if (GetModuleFileName(module)) {
        const std::string candidate = module.substr(0, module.rfind('/') + 1) + name;
        // Found here, it is the one meant; the start itself reports if it cannot be run.
        if (IsRegularFile(candidate)) {
            path = candidate;
            return 0;
        }
    }
    const char* szSearch = std::getenv("PATH");
    const std::string search = szSearch != nullptr ? szSearch : "/usr/bin:/bin";
    int nError = ENOENT;
    for (std::size_t start = 0; start <= search.size();) {
        std::size_t end = search.find(':', start);
        if (end == std::string::npos)
            end = search.size();
        std::string candidate = search.substr(start, end - start);
        if (candidate.empty())
            candidate = ".";
        candidate += '/';
        candidate += name;
        if (IsRegularFile(candidate)) {
            if (access(candidate.c_str(), X_OK) == 0) {
                path = candidate;
                return 0;
            }
            nError = EACCES;
        }
        start = end + 1;
    }
    return nError;
}

// A child that outlived its wait is not killed; this thread collects its exit status whenever it
// ends, so it does not linger as a zombie while the program runs.
void ReapLater(pid_t pid)
{
    try {
        std::thread([pid] {
            int status = 0;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: the child stays a zombie until this program ends.
    }
}

int Spawn(const std::string& path, const std::vector<std::string>& words, pid_t& pid)
{
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (const std::string& word : words)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);

    // Hidden: the helper talks to the system through files only, never through a terminal.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    // Its own process group keeps a terminal's Ctrl+C meant for us away from a helper left running.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t noSignals;
    sigemptyset(&noSignals);
    posix_spawnattr_setsigmask(&attr, &noSignals);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    const int nError = posix_spawn(&pid, path.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    return nError;
}

} // namespace

ProcessHandle* StartProcess(const std::string& commandLine, std::string& errorText)
{
    errorText.clear();
    const std::vector<std::string> words = SplitCommandLine(commandLine);
    std::string path;
    int nError = FindProgram(words.empty() ? std::string() : words.front(), path);
    std::unique_ptr<ProcessHandle> process(new (std::nothrow) ProcessHandle);
    if (nError == 0 && process == nullptr)
        nError = ENOMEM;
    if (nError == 0)
        nError = Spawn(path, words, process->pid);
    if (nError != 0) {
        errorText = std::strerror(nError);
        return nullptr;
    }
    return process.release();
}

WaitResult WaitForProcess(ProcessHandle* process, uint32_t timeoutMs, long& rawResult)
{
    rawResult = -1;
    if (process == nullptr)
        return WaitResult::Failed;
    if (process->bReaped) {
        rawResult = process->pid;
        return WaitResult::Exited;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        const pid_t result = waitpid(process->pid, &status, WNOHANG);
        if (result == process->pid) {
            process->bReaped = true;
            process->status = status;
            rawResult = result;
            return WaitResult::Exited;
        }
        if (result < 0 && errno != EINTR) {
            rawResult = result;
            return WaitResult::Failed;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            rawResult = 0;
            return WaitResult::TimedOut;
        }
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kPollInterval, deadline - now));
    }
}

bool GetProcessExit(ProcessHandle* process, ProcessExit& exit)
{
    exit = ProcessExit();
    if (process == nullptr || !process->bReaped)
        return false;
    if (WIFSIGNALED(process->status)) {
        exit.bAbnormal = true;
        exit.nCode = static_cast<uint32_t>(WTERMSIG(process->status));
        const char* szName = strsignal(WTERMSIG(process->status));
        exit.text = szName != nullptr ? szName : "signal " + std::to_string(exit.nCode);
        return true;
    }
    exit.nCode = static_cast<uint32_t>(WEXITSTATUS(process->status));
    exit.text = "exit code " + std::to_string(exit.nCode);
    return true;
}

void CloseProcess(ProcessHandle* process)
{
    if (process == nullptr)
        return;
    if (!process->bReaped) {
        int status = 0;
        if (waitpid(process->pid, &status, WNOHANG) == 0)
            ReapLater(process->pid);
    }
    delete process;
}

} // namespace plat
