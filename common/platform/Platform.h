// SPDX-License-Identifier: MIT
// The operating-system layer. Everything the system asks of the operating system goes through
// these functions; PlatformWin32.cpp makes the Windows calls, the sources in posix/ give the same
// observable behaviour elsewhere. Nothing outside this folder includes a system header for them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace plat
{

// The separator that ends every folder path the system builds ('\\' on Windows, '/' elsewhere).
extern const char kPathSeparator;

// The size of every path buffer the system keeps (MAX_PATH): 259 characters and the terminator.
constexpr std::size_t kMaxPath = 260;

// ---- Files and folders -------------------------------------------------------------------------

// The machine-wide application data root, without a trailing separator (SHGetFolderPathA with
// CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE on Windows; the user's ~/.local/share on POSIX).
// False when the system cannot tell.
bool GetAppDataRoot(std::string& root);

// Tests point the root at a folder of their own; an empty text restores the system's answer.
void SetAppDataRootForTesting(const std::string& root);

// True when something (file or folder) exists at the path.
bool PathExists(const char* path);

// Creates one folder (not its parents); owner-only on POSIX. False when it could not be made.
bool CreateFolder(const char* path);

// Deletes a file. False when it did not exist or could not be deleted.
bool DeleteFile(const char* path);

// Copies a file, replacing the target. False on any failure.
bool CopyFile(const char* from, const char* to);

// Size in bytes, -1 when the file cannot be opened.
int64_t FileSize(const char* path);

// Replaces `target` with `source` in one step (rename over it).
bool ReplaceFile(const char* source, const char* target);

// Makes a file readable and writable by its owner alone (mode 0600; on Windows a protected access
// list for the owner and the system).
void RestrictToOwner(const char* path);

// ---- The running program ----------------------------------------------------------------------

// Full path of the running program's own file.
bool GetModuleFileName(std::string& path);

bool GetCurrentDir(std::string& dir);
bool SetCurrentDir(const char* dir);

// ---- Time and threads -------------------------------------------------------------------------

// The calendar fields of SYSTEMTIME.
struct SystemTime
{
    uint16_t wYear = 0;
    uint16_t wMonth = 0;
    uint16_t wDayOfWeek = 0;
    uint16_t wDay = 0;
    uint16_t wHour = 0;
    uint16_t wMinute = 0;
    uint16_t wSecond = 0;
    uint16_t wMilliseconds = 0;
};

void GetLocalTime(SystemTime& st);

// The identifier of the calling thread as the system numbers threads.
unsigned long CurrentThreadId();

// OLE automation date (days since 30 December 1899, fraction = time of day) to calendar fields,
// rounded to the second as VariantTimeToSystemTime does. False outside 1 Jan 100 .. 31 Dec 9999.
bool VariantTimeToSystemTime(double date, SystemTime& st);

// The reverse (SystemTimeToVariantTime): milliseconds are ignored. False for invalid fields.
bool SystemTimeToVariantTime(const SystemTime& st, double& date);

// ---- Text -------------------------------------------------------------------------------------

// ANSI code page text to UTF-16, at most maxUnits code units (UTF-8 on POSIX).
std::u16string AnsiToWide(const char* text, std::size_t maxUnits);

// UTF-16 back to ANSI code page text, at most maxBytes bytes, never cut inside a character.
std::string WideToAnsi(const std::u16string& text, std::size_t maxBytes);

// ANSI code page text to UTF-8, whole; an invalid byte becomes U+FFFD.
std::string AnsiToUtf8(const char* text);

// True when the ANSI code page is UTF-8 (always on POSIX); otherwise it has a byte a character,
// or two for a lead byte of a double-byte page.
bool AnsiIsUtf8();

// The number of bytes of `text` that fit `maxBytes` without cutting a multi-byte character.
std::size_t AnsiFitLength(const char* text, std::size_t maxBytes);

// ---- Private-profile (ini) files ---------------------------------------------------------------

// GetPrivateProfileStringA: copies the value (or the default) into buf, at most size - 1
// characters, and returns the number of characters copied.
std::size_t GetPrivateProfileString(const char* section, const char* key, const char* defaultText, char* buf,
                                    std::size_t size, const char* file);

// WritePrivateProfileStringA for one key: creates file, section and key as needed, keeps every
// other line, and replaces the file in one step. False when it could not be written.
bool WritePrivateProfileString(const char* section, const char* key, const char* value, const char* file);

// ---- Shell and processes -----------------------------------------------------------------------

// Opens a file, folder or address with the desktop's default handler; the outcome is not known.
void ShellOpen(const char* target);

// A started child process. Opaque to callers; owned by whoever started it.
struct ProcessHandle;

enum class WaitResult
{
    Exited,
    TimedOut,
    Failed
};

// Starts the command line hidden (first word is the program, found first in the running program's
// folder). Returns null on failure and fills errorText with the system's message.
ProcessHandle* StartProcess(const std::string& commandLine, std::string& errorText);

// Waits for the process to end, at most timeoutMs milliseconds. rawResult receives the value the
// underlying wait call returned, for the log.
WaitResult WaitForProcess(ProcessHandle* process, uint32_t timeoutMs, long& rawResult);

// How a process that has ended ended: with an exit code, or abnormally (killed by a signal on
// POSIX, an exception status such as 0xC0000005 on Windows), with the system's words for it.
struct ProcessExit
{
    bool bAbnormal = false;
    uint32_t nCode = 0;
    std::string text;
};

// Only for a process whose wait answered Exited; false otherwise.
bool GetProcessExit(ProcessHandle* process, ProcessExit& exit);

// Releases the handle; a process still running is left running.
void CloseProcess(ProcessHandle* process);

// ---- Memory ----------------------------------------------------------------------------------

// A zeroed, page-aligned block of `bytes`, its pages made resident at once; null when the system
// has no room. Faulting a page in one at a time is what a big load spends its time on otherwise.
void* AllocResidentBlock(std::size_t bytes);

// Returns a block of AllocResidentBlock, with the size it was asked with.
void FreeResidentBlock(void* block, std::size_t bytes);

// ---- Files that hold secrets ------------------------------------------------------------------

// Creates the file empty, or empties an existing one, readable and writable by its owner alone
// before any byte goes into it (the parameter file holds the password). False when it cannot be
// made.
bool CreateOwnerOnlyFile(const char* path);

// ---- Events and files shared with other programs ----------------------------------------------

// An auto-reset event: unnamed, not signalled at creation (CreateEventA on Windows; a mutex and a
// condition variable on POSIX). Opaque to callers; owned by whoever created it.
struct EventHandle;

enum class EventWaitResult
{
    Signalled,
    TimedOut,
    Failed
};

// Null when the event cannot be made.
EventHandle* CreateAutoResetEvent();

// Signals the event; it stays signalled until one wait takes the signal, which resets it.
bool SetEvent(EventHandle* event);

// Waits at most timeoutMs milliseconds for the event to be signalled.
EventWaitResult WaitForEvent(EventHandle* event, uint32_t timeoutMs);

void CloseEvent(EventHandle* event);

// Reads the first line of a text file that another program may be writing at the same time
// (_fsopen with _SH_DENYNO on Windows, which also turns CR LF into LF): at most size - 1
// characters, the line end kept, as fgets gives it. False when the file cannot be opened or holds
// nothing; buf then holds the empty text.
bool ReadFirstLineShared(const char* path, char* buf, std::size_t size);

} // namespace plat
