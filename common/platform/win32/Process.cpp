// SPDX-License-Identifier: MIT
#include "platform/Platform.h"

#include "platform/win32/Win32.h"

#include <cstdio>
#include <new>
#include <vector>

namespace plat
{

struct ProcessHandle
{
    HANDLE hProcess = nullptr;
    HANDLE hThread = nullptr;
};

namespace
{

// The system's message for an error code, without the line end that ends it.
std::string SystemErrorText(DWORD nError)
{
    char* szText = nullptr;
    const DWORD n =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, nError, 0, reinterpret_cast<LPSTR>(&szText), 0, nullptr);
    std::string text = n > 0 && szText != nullptr ? std::string(szText, n) : std::string();
    if (szText != nullptr)
        LocalFree(szText);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    // A log line that names no reason at all would be worse than the bare number.
    if (text.empty())
        text = "System error " + std::to_string(nError);
    return text;
}

// The words for the exceptions a crashing program most often ends with; the number alone for others.
const char* ExceptionName(DWORD nCode)
{
    switch (nCode) {
    case 0xC0000005u:
        return "access violation";
    case 0xC000001Du:
        return "illegal instruction";
    case 0xC0000094u:
        return "integer division by zero";
    case 0xC00000FDu:
        return "stack overflow";
    case 0xC0000409u:
        return "stack buffer overrun";
    case 0xC0000017u:
        return "out of memory";
    default:
        return nullptr;
    }
}

} // namespace

ProcessHandle* StartProcess(const std::string& commandLine, std::string& errorText)
{
    errorText.clear();
    // CreateProcessA may write into the command line, so it gets a copy of its own. With no
    // application name the system finds the first word itself, looking first in the folder of
    // the running program, where the helpers are installed.
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');

    STARTUPINFOA si = {};
    // 68 bytes in a 32-bit build, 104 in a 64-bit one.
    si.cb = sizeof(STARTUPINFOA);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        errorText = SystemErrorText(GetLastError());
        return nullptr;
    }
    ProcessHandle* process = new (std::nothrow) ProcessHandle;
    if (process == nullptr) {
        // The helper runs on unwatched; its handles are not needed to let it finish.
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        errorText = SystemErrorText(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    process->hProcess = pi.hProcess;
    process->hThread = pi.hThread;
    return process;
}

WaitResult WaitForProcess(ProcessHandle* process, uint32_t timeoutMs, long& rawResult)
{
    if (process == nullptr) {
        rawResult = static_cast<long>(WAIT_FAILED);
        return WaitResult::Failed;
    }
    const DWORD nResult = WaitForSingleObject(process->hProcess, timeoutMs);
    rawResult = static_cast<long>(nResult);
    switch (nResult) {
    case WAIT_OBJECT_0:
        return WaitResult::Exited;
    case WAIT_TIMEOUT:
        return WaitResult::TimedOut;
    default:
        return WaitResult::Failed;
    }
}

bool GetProcessExit(ProcessHandle* process, ProcessExit& exit)
{
    exit = ProcessExit();
    DWORD nCode = 0;
    if (process == nullptr || !GetExitCodeProcess(process->hProcess, &nCode) || nCode == STILL_ACTIVE)
        return false;
    exit.nCode = nCode;
    // Exit codes from 0xC0000000 up are the statuses of unhandled exceptions (access violation,
    // stack overflow...), which no program returns on purpose.
    exit.bAbnormal = nCode >= 0xC0000000u;
    char szHex[16];
    std::snprintf(szHex, sizeof szHex, "0x%08lX", static_cast<unsigned long>(nCode));
    if (!exit.bAbnormal)
        exit.text = "exit code " + std::to_string(nCode);
    else if (const char* szName = ExceptionName(nCode))
        exit.text = std::string(szName) + " (exception " + szHex + ")";
    else
        exit.text = std::string("exception ") + szHex;
    return true;
}

void CloseProcess(ProcessHandle* process)
{
    if (process == nullptr)
        return;
    CloseHandle(process->hThread);
    CloseHandle(process->hProcess);
    delete process;
}

} // namespace plat
