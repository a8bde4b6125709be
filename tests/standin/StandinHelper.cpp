// SPDX-License-Identifier: MIT
// A scripted stand-in for the helper programs. It reads its parameter file like a helper and then
// follows SG<Kind>Script.txt in the exchange folder, one command a line:
//   record                 argv words and current directory to SG<Kind>Record.txt (on Windows
//                          also the window show state it was started with), the parameter
//                          file's bytes to SG<Kind>ParamCopy.dat
//   copy-data <path>       copies the file at <path> to the data file
//   write-data-hex <hex>   writes these bytes as the data file
//   write-file-hex <name> <hex>
//                          writes these bytes as the file <name> in the folder
//   error <text>           appends an entry to the error file
//   not-deleted <list>     writes <list> as key NotDeleted of section Submit in the error file
//   progress <text>        makes <text> the first line of the progress file
//   running                keeps Running = 1 in section Status of SG<Kind>.ini
//   sleep <ms>             waits
//   wait-stop <ms>         waits until Stop is non-zero in SG<Kind>.ini or the time has passed
//   mark <name>            creates an empty file <name> in the folder
//   exit <code>            ends with that exit code
//   crash                  ends abnormally (SIGSEGV on POSIX, an access violation on Windows)
// Exit codes: 0 after the last line, 2 for an unreadable parameter file, 3 for an unknown command.
#include "SugarCRM/ParamFileReader.h"
#include "SugarCRM/SGParamTags.h"
#include "misc/CxIniUtil.h"
#include "platform/Platform.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include "platform/win32/Win32.h"
#endif

namespace
{

struct Job
{
    std::string kind;
    std::string folder;
    std::string dataFile;
    std::string errorFile;
    std::string progressFile;
    std::string statusIni;
};

// "Task" from ".../Quorvel.SGTaskUtil.exe".
std::string KindOfProgram(const char* szArgv0)
{
    std::string path;
    if (!plat::GetModuleFileName(path))
        path = szArgv0;
    const std::string name = path.substr(path.find_last_of("/\\") + 1);
    const std::size_t start = name.find("Quorvel.SG");
    const std::size_t end = name.find("Util", start);
    if (start == std::string::npos || end == std::string::npos)
        return "Unknown";
    return name.substr(start + 10, end - start - 10);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string FromHex(const std::string& hex)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

void Record(const Job& job, int argc, char** argv)
{
    std::string text = "argc=" + std::to_string(argc) + "\n";
    for (int i = 0; i < argc; ++i)
        text += "arg" + std::to_string(i) + "=" + argv[i] + "\n";
    text += "cwd=" + std::filesystem::current_path().string() + "\n";
    const auto perms = std::filesystem::status(argv[1]).permissions();
    text += "parammode=" + std::to_string(static_cast<unsigned>(perms) & 0777u) + "\n";
#ifdef _WIN32
    STARTUPINFOA si = {};
    GetStartupInfoA(&si);
    text += "startflags=" + std::to_string(si.dwFlags) + "\n";
    text += "show=" + std::to_string(si.wShowWindow) + "\n";
#endif
    WriteFile(job.folder + "SG" + job.kind + "Record.txt", text);
    WriteFile(job.folder + "SG" + job.kind + "ParamCopy.dat", ReadFile(argv[1]));
}

[[noreturn]] void Crash()
{
#ifdef _WIN32
    RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
#else
    std::signal(SIGSEGV, SIG_DFL);
    std::raise(SIGSEGV);
#endif
    std::abort();
}

void AddError(const Job& job, const std::string& text)
{
    CxIniUtil ini(job.folder.c_str(), job.errorFile.c_str());
    const int nCount = ini.ReadIniInt("Error", "Error.Count", 0) + 1;
    ini.WriteIniString("Error", ("Error." + std::to_string(nCount)).c_str(), text.c_str());
    ini.WriteIniInt("Error", "Error.Count", nCount);
}

void WaitForStop(const Job& job, int nMilliseconds)
{
    CxIniUtil ini(nullptr, nullptr);
    ini.SetIniPath(job.statusIni.c_str());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nMilliseconds);
    while (ini.ReadIniInt("Status", "Stop", 0) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ini.WriteIniInt("Status", "Running", 0);
}

} // namespace

int main(int argc, char** argv)
{
    ParamFileReader params;
    Job job;
    job.kind = KindOfProgram(argv[0]);
    if (argc < 2 || !params.Load(argv[1]) || !params.GetText(SGParam::Folder, job.folder))
        return 2;
    params.GetText(SGParam::DataFile, job.dataFile);
    params.GetText(SGParam::ErrorFile, job.errorFile);
    params.GetText(SGParam::StatusFile, job.progressFile);
    job.statusIni = job.folder + "SG" + job.kind + ".ini";

    std::ifstream script(job.folder + "SG" + job.kind + "Script.txt");
    std::string line;
    while (std::getline(script, line)) {
        const std::size_t blank = line.find(' ');
        const std::string command = line.substr(0, blank);
        const std::string argument = blank == std::string::npos ? std::string() : line.substr(blank + 1);
        if (command == "record") {
            Record(job, argc, argv);
        }
        else if (command == "copy-data") {
            WriteFile(job.folder + job.dataFile, ReadFile(argument));
        }
        else if (command == "write-data-hex") {
            WriteFile(job.folder + job.dataFile, FromHex(argument));
        }
        else if (command == "write-file-hex") {
            const std::size_t gap = argument.find(' ');
            WriteFile(job.folder + argument.substr(0, gap),
                      FromHex(gap == std::string::npos ? "" : argument.substr(gap + 1)));
        }
        else if (command == "error") {
            AddError(job, argument);
        }
        else if (command == "not-deleted") {
            CxIniUtil(job.folder.c_str(), job.errorFile.c_str())
                .WriteIniString("Submit", "NotDeleted", argument.c_str());
        }
        else if (command == "progress") {
            WriteFile(job.folder + job.progressFile, argument + "\r\n");
        }
        else if (command == "running") {
            plat::WritePrivateProfileString("Status", "Running", "1", job.statusIni.c_str());
        }
        else if (command == "sleep") {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argument.c_str())));
        }
        else if (command == "wait-stop") {
            WaitForStop(job, std::atoi(argument.c_str()));
        }
        else if (command == "mark") {
            WriteFile(job.folder + argument, "");
        }
        else if (command == "crash") {
            Crash();
        }
        else if (command == "exit") {
            return std::atoi(argument.c_str());
        }
        else if (!command.empty()) {
            return 3;
        }
    }
    return 0;
}
