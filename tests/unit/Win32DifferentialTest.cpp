// SPDX-License-Identifier: MIT
// The Windows build held against the system itself: our own ini logic (the one POSIX builds use)
// against the profile functions on the same files, the POSIX date arithmetic (compiled into this
// test a second time, with its namespace renamed to posix_ole) against VariantTimeToSystemTime, and
// the process runner against what the stand-in helper saw when it started.
#include "StandinSupport.h"
#include "TempDir.h"

#include "SugarCRM/CxSGParamParser.h"
#include "platform/IniText.h"
#include "platform/Platform.h"
#include "platform/win32/Win32.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <iomanip>
#include <random>
#include <string>
#include <vector>

namespace posix_ole
{
// The fields of plat::SystemTime, declared again for the renamed copy of posix/OleDate.cpp.
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
bool VariantTimeToSystemTime(double date, SystemTime& st);
bool SystemTimeToVariantTime(const SystemTime& st, double& date);
} // namespace posix_ole

static_assert(sizeof(posix_ole::SystemTime) == sizeof(plat::SystemTime), "the two SystemTime layouts must agree");

namespace
{

namespace fs = std::filesystem;

// ---- Ini files -----------------------------------------------------------------------------

std::string OursRead(const std::string& file, const char* section, const char* key, const char* def, std::size_t size)
{
    plat::ini::IniFile ini;
    plat::ini::Parse(ReadText(file), ini);
    const std::string value = plat::ini::Lookup(ini, section, key, def);
    return value.substr(0, size - 1);
}

std::string SystemRead(const std::string& file, const char* section, const char* key, const char* def, std::size_t size)
{
    std::vector<char> buf(size, 'x');
    const std::size_t n = plat::GetPrivateProfileString(section, key, def, buf.data(), size, file.c_str());
    EXPECT_EQ(n, std::strlen(buf.data())) << section << "/" << key;
    return buf.data();
}

struct Query
{
    const char* section;
    const char* key;
};

const char kMessyIni[] = "Orphan=top\r\n"
                         "; comment=not a key\r\n"
                         "[Veltrane]\r\n"
                         "  HostName  =  \"http://crm x\"  \r\n"
                         "user='bob'\r\n"
                         "Mixed=\"a'\r\n"
                         "Inner=a \"b\" c\r\n"
                         "OnlyQuote=\"\r\n"
                         "TwoQuotes=\"\"\r\n"
                         "Empty=\r\n"
                         "Tabbed\t=\tv\t\r\n"
                         "name=first\r\n"
                         "NAME=second\r\n"
                         "no equals sign\r\n"
                         "Eq=a=b\r\n"
                         "\r\n"
                         "[ other ]\r\n"
                         "k=in other\r\n"
                         "[VELTRANE]\r\n"
                         "Later=in duplicate section\r\n"
                         "name=third\n"
                         "[Last]\n"
                         "Unterminated=end";

const Query kMessyQueries[] = {
    {"Veltrane", "HostName"},  {"veltrane", "hostname"}, {"Veltrane", "User"},
    {"Veltrane", "Mixed"},     {"Veltrane", "Inner"},    {"Veltrane", "OnlyQuote"},
    {"Veltrane", "TwoQuotes"}, {"Veltrane", "Empty"},    {"Veltrane", "Tabbed"},
    {"Veltrane", "Name"},      {"Veltrane", "Eq"},       {"Veltrane", "Later"},
    {"Veltrane", "Orphan"},    {"Veltrane", "Missing"},  {"Other", "K"},
    {" other ", "k"},          {"Missing", "name"},      {"Last", "unterminated"},
    {"Veltrane", " name "},
};

TEST(Win32Profile, ReadsAsTheSystemDoes)
{
    TempDir dir;
    const std::string file = dir.file("messy.ini");
    WriteText(file, kMessyIni);
    for (const Query& q : kMessyQueries) {
        for (const char* def : {"default", ""}) {
            EXPECT_EQ(OursRead(file, q.section, q.key, def, 256), SystemRead(file, q.section, q.key, def, 256))
                << q.section << "/" << q.key << " default '" << def << "'";
        }
    }
    EXPECT_EQ(SystemRead(dir.file("none.ini"), "Veltrane", "HostName", "d", 256), "d");
}

TEST(Win32Profile, LongValuesAreCutAtTheBufferAsTheSystemCutsThem)
{
    TempDir dir;
    const std::string file = dir.file("long.ini");
    const std::string value(3000, 'v');
    WriteText(file, "[S]\r\nk=" + value + "\r\n");
    for (const std::size_t size : {1u, 2u, 10u, 256u, 1024u, 2999u, 3000u, 3001u, 4096u}) {
        EXPECT_EQ(OursRead(file, "S", "k", "", size), SystemRead(file, "S", "k", "", size)) << size;
        EXPECT_EQ(OursRead(file, "S", "missing", "defaulttext", size),
                  SystemRead(file, "S", "missing", "defaulttext", size))
            << size;
    }
}

struct Write
{
    const char* section;
    const char* key;
    const char* value; // null removes the key
};

// The same writes made through our logic and through the system leave files that read the same.
TEST(Win32Profile, WritesLeaveFilesThatReadTheSame)
{
    const Write writes[] = {
        {"Veltrane", "HostName", "http://a"},
        {"VELTRANE", "hostname", "http://b"},
        {"Veltrane", "New", "1"},
        {"Status", "Stop", "1"},
        {"status", "STOP", "0"},
        {"Veltrane", "name", "changed"},
        {"Veltrane", "Empty", ""},
        {"Veltrane", "user", nullptr},
        {"Gone", "k", nullptr},
        {"Veltrane", "Spaced", "a b  c"},
        {"Last", "Unterminated", "x"},
        {"Veltrane", "Later", "dup"},
    };
    TempDir dir;
    const std::string ours = dir.file("ours.ini");
    const std::string system = dir.file("system.ini");
    for (const char* start : {kMessyIni, ""}) {
        WriteText(ours, start);
        WriteText(system, start);
        for (const Write& w : writes) {
            ASSERT_TRUE(plat::ini::IsWritable(w.section, w.key, w.value));
            plat::ini::IniFile ini;
            plat::ini::Parse(ReadText(ours), ini);
            plat::ini::ApplyWrite(ini, w.section, w.key, w.value);
            WriteText(ours, plat::ini::Serialize(ini));
            ASSERT_TRUE(plat::WritePrivateProfileString(w.section, w.key, w.value, system.c_str())) << w.key;
        }
        for (const Write& w : writes) {
            EXPECT_EQ(OursRead(ours, w.section, w.key, "-", 256), SystemRead(system, w.section, w.key, "-", 256))
                << w.section << "/" << w.key;
        }
        for (const Query& q : kMessyQueries) {
            EXPECT_EQ(OursRead(ours, q.section, q.key, "-", 256), SystemRead(system, q.section, q.key, "-", 256))
                << q.section << "/" << q.key;
        }
    }
}

TEST(Win32Profile, WritesThatWouldAddLinesAreRefusedBeforeTheSystemSeesThem)
{
    TempDir dir;
    const std::string file = dir.file("a.ini");
    WriteText(file, "[S]\r\nk=1\r\n");
    EXPECT_FALSE(plat::WritePrivateProfileString("S", "k", "1\r\n[T]", file.c_str()));
    EXPECT_FALSE(plat::WritePrivateProfileString("S", "a=b", "1", file.c_str()));
    EXPECT_FALSE(plat::WritePrivateProfileString("S]x", "k", "1", file.c_str()));
    EXPECT_FALSE(plat::WritePrivateProfileString("S", "  ", "1", file.c_str()));
    EXPECT_FALSE(plat::WritePrivateProfileString(nullptr, "k", "1", file.c_str()));
    EXPECT_EQ(ReadText(file), "[S]\r\nk=1\r\n");
    // A null key or section would have the system list names; the default comes back instead.
    EXPECT_EQ(SystemRead(file, "S", nullptr, "d", 64), "d");
    EXPECT_EQ(SystemRead(file, nullptr, "k", "d", 64), "d");
}

// ---- OLE dates ------------------------------------------------------------------------------

void ExpectSameConversion(double date)
{
    plat::SystemTime system;
    posix_ole::SystemTime ours;
    const bool bSystem = plat::VariantTimeToSystemTime(date, system);
    ASSERT_EQ(posix_ole::VariantTimeToSystemTime(date, ours), bSystem) << date;
    if (!bSystem)
        return;
    const auto fields = [](const auto& st) {
        return std::vector<int>{st.wYear, st.wMonth,  st.wDay,    st.wDayOfWeek,
                                st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
    };
    ASSERT_EQ(fields(ours), fields(system)) << std::setprecision(17) << date;

    double systemBack = 0.0;
    double oursBack = 0.0;
    ASSERT_TRUE(plat::SystemTimeToVariantTime(system, systemBack)) << date;
    ASSERT_TRUE(posix_ole::SystemTimeToVariantTime(ours, oursBack)) << date;
    ASSERT_DOUBLE_EQ(oursBack, systemBack) << date;
}

TEST(Win32OleDate, AgreesWithTheSystemOnThousandsOfDates)
{
    std::mt19937_64 random(20240229);
    std::uniform_real_distribution<double> anyDate(-657434.0, 2958465.99998);
    std::uniform_int_distribution<long> anyDay(-657434, 2958465);
    std::uniform_int_distribution<int> anySecond(0, 86399);
    for (int i = 0; i < 2000; ++i)
        ExpectSameConversion(anyDate(random));
    // A tenth of a millisecond either side of a half second, where rounding decides, before and
    // after 1899. An exact half is a tie that the last bits of the double settle, and Wine adds
    // 1e-11 days before rounding: within a microsecond of a half the two may differ.
    for (int i = 0; i < 2000; ++i) {
        const long day = anyDay(random);
        const double time = (anySecond(random) + 0.5 + (i % 2 == 0 ? -1e-4 : 1e-4)) / 86400.0;
        ExpectSameConversion(day >= 0 ? day + time : day - time);
    }
    for (const double date : {0.0, -0.5, -1.25, -1.0 - 86399.6 / 86400.0, 40178.0 + 86399.6 / 86400.0, -657434.0,
                              -657434.99999, 2958465.0, 2958465.99999, 1e-9, -1e-9, 36585.5}) {
        ExpectSameConversion(date);
    }
}

TEST(Win32OleDate, OutOfRangeAndNotANumberAreRefused)
{
    plat::SystemTime st;
    for (const double date : {-657435.0, 2958466.0, 2958465.999999, 1e300, std::nan("")})
        EXPECT_FALSE(plat::VariantTimeToSystemTime(date, st)) << date;
    // Fields the system would roll over into another date.
    plat::SystemTime february;
    february.wYear = 2023;
    february.wMonth = 2;
    february.wDay = 29;
    double date = 0.0;
    EXPECT_FALSE(plat::SystemTimeToVariantTime(february, date));
    february.wYear = 99;
    february.wDay = 1;
    EXPECT_FALSE(plat::SystemTimeToVariantTime(february, date));
}

// ---- Text ---------------------------------------------------------------------------------

TEST(Win32Text, AnsiCodePageConversionsCutWholeCharacters)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "written for the Western European code page";
    EXPECT_EQ(plat::AnsiToWide("caf\xE9 \x80", 1023), u"caf\u00E9 \u20AC");
    EXPECT_EQ(plat::AnsiToWide("abcdef", 4), u"abcd");
    EXPECT_EQ(plat::WideToAnsi(u"caf\u00E9 \u20AC", 1023), "caf\xE9 \x80");
    EXPECT_EQ(plat::WideToAnsi(u"\u4E2D", 10), "?");
    EXPECT_EQ(plat::WideToAnsi(u"abcdef", 3), "abc");
    EXPECT_EQ(plat::AnsiFitLength("ab\xE9\xE9", 3), 3u);
}

// ---- Processes ----------------------------------------------------------------------------

std::string SystemText(DWORD nError)
{
    char* szText = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   nError, 0, reinterpret_cast<LPSTR>(&szText), 0, nullptr);
    std::string text = szText != nullptr ? szText : "";
    LocalFree(szText);
    return text;
}

TEST(Win32Process, MissingProgramGivesTheSystemsTextWithoutTheLineEnd)
{
    std::string errorText;
    EXPECT_EQ(plat::StartProcess("\"Quorvel.SGMissingUtil.exe\" \"x\"", errorText), nullptr);
    const std::string expected = SystemText(ERROR_FILE_NOT_FOUND);
    ASSERT_GE(expected.size(), 2u);
    EXPECT_EQ(expected.substr(expected.size() - 2), "\r\n");
    EXPECT_EQ(errorText, expected.substr(0, expected.size() - 2));
}

// The parameter file and script that a stand-in for tasks finds in `folder`.
void PrepareTaskStandin(const std::string& folder, const std::string& script)
{
    fs::create_directories(folder);
    CxSGParamParser params;
    params.SetParam(1003, "SGTask.dat");
    params.SetParam(1004, folder.c_str());
    params.SetParam(1006, "SGTaskErr.dat");
    params.SetParam(1007, "SGTaskStatus.dat");
    ASSERT_TRUE(params.SaveToFile((folder + "SGTaskParam.dat").c_str()));
    WriteStandinScript(folder, "Task", script);
}

// The helper is found in the program's own folder even when the current directory is elsewhere,
// gets the exact words of the command line, and starts with its window hidden.
TEST(Win32Process, StandinStartsHiddenWithTheExactCommandLine)
{
    TempDir tmp;
    const std::string folder = tmp.path() + "ex change\\";
    PrepareTaskStandin(folder, "record\n");

    const fs::path saved = fs::current_path();
    fs::current_path(tmp.path());
    std::string errorText;
    plat::ProcessHandle* process =
        plat::StartProcess("\"Quorvel.SGTaskUtil.exe\" \"" + folder + "SGTaskParam.dat\"", errorText);
    fs::current_path(saved);
    ASSERT_NE(process, nullptr) << errorText;
    long nRaw = -1;
    EXPECT_EQ(plat::WaitForProcess(process, 20000, nRaw), plat::WaitResult::Exited);
    EXPECT_EQ(nRaw, static_cast<long>(WAIT_OBJECT_0));
    plat::CloseProcess(process);

    auto record = ReadStandinRecord(folder, "Task");
    EXPECT_EQ(record["argc"], "2");
    EXPECT_EQ(record["arg0"], "Quorvel.SGTaskUtil.exe");
    EXPECT_EQ(record["arg1"], folder + "SGTaskParam.dat");
    EXPECT_EQ(fs::path(record["cwd"]), fs::path(tmp.path()).parent_path());
    EXPECT_EQ(record["startflags"], std::to_string(STARTF_USESHOWWINDOW));
    EXPECT_EQ(record["show"], std::to_string(SW_HIDE));
}

TEST(Win32Process, WaitThatRunsOutGivesTheRawTimeoutValue)
{
    TempDir tmp;
    const std::string folder = tmp.path();
    PrepareTaskStandin(folder, "sleep 1500\nmark SGTaskDone.txt\n");
    std::string errorText;
    plat::ProcessHandle* process =
        plat::StartProcess("\"Quorvel.SGTaskUtil.exe\" \"" + folder + "SGTaskParam.dat\"", errorText);
    ASSERT_NE(process, nullptr) << errorText;
    long nRaw = -1;
    EXPECT_EQ(plat::WaitForProcess(process, 50, nRaw), plat::WaitResult::TimedOut);
    EXPECT_EQ(nRaw, static_cast<long>(WAIT_TIMEOUT));
    EXPECT_EQ(plat::WaitForProcess(process, 20000, nRaw), plat::WaitResult::Exited);
    EXPECT_TRUE(fs::exists(folder + "SGTaskDone.txt"));
    plat::CloseProcess(process);
}

// The parameter file holds the password: an earlier file is replaced by a new, empty one, made with
// an access list for the owner and the system only. (Wine keeps no real access lists, so only the
// replacement can be seen here.)
TEST(Win32Files, OwnerOnlyFileReplacesAnEarlierOne)
{
    TempDir tmp;
    const std::string path = tmp.file("SGTaskParam.dat");
    WriteText(path, "an earlier job");
    ASSERT_TRUE(plat::CreateOwnerOnlyFile(path.c_str()));
    EXPECT_EQ(fs::file_size(path), 0u);
    // Its owner can still write it and, at the program's end, delete it.
    WriteText(path, "this job");
    EXPECT_EQ(ReadText(path), "this job");
    EXPECT_TRUE(plat::DeleteFile(path.c_str()));
    EXPECT_FALSE(plat::CreateOwnerOnlyFile(tmp.file("missing/SGTaskParam.dat").c_str()));
}

} // namespace
