// SPDX-License-Identifier: MIT
#include "misc/CxIniUtil.h"
#include "misc/WinUtil.h"
#include "platform/Platform.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace
{

std::string Read(const std::string& file, const char* section, const char* key, const char* def = "default",
                 std::size_t size = 256)
{
    char buf[256];
    const std::size_t n = plat::GetPrivateProfileString(section, key, def, buf, size, file.c_str());
    EXPECT_EQ(std::strlen(buf), n);
    return buf;
}

std::size_t FileCount(const TempDir& dir)
{
    std::size_t n = 0;
    for (auto it = std::filesystem::directory_iterator(dir.path()); it != std::filesystem::directory_iterator(); ++it)
        ++n;
    return n;
}

} // namespace

TEST(Profile, ReadsWithWindowsSemantics)
{
    TempDir dir;
    const std::string ini = dir.file("a.ini");
    WriteText(ini, "Orphan=1\r\n[Other]\r\nName=other\r\n  [  veltrane  ]  \r\n  HostName  =  \"http://x y\"  \r\n"
                   "user=  'bob'\r\nOdd line\r\nEmpty=\r\nQuoted=\"a\r\nname=first\r\nNAME=second\r\nOrphan\r\n"
                   "[Veltrane]\r\nLater=x\r\n");
    EXPECT_EQ("http://x y", Read(ini, "Veltrane", "hostname"));
    EXPECT_EQ("bob", Read(ini, "VELTRANE", " USER "));
    EXPECT_EQ("", Read(ini, "Veltrane", "Empty"));
    EXPECT_EQ("\"a", Read(ini, "Veltrane", "Quoted"));
    EXPECT_EQ("first", Read(ini, "Veltrane", "Name"));
    EXPECT_EQ("other", Read(ini, "other", "name"));
    // Not keys: a line without '=', a key above every section, a key in a later duplicate section.
    EXPECT_EQ("default", Read(ini, "Veltrane", "Odd line"));
    EXPECT_EQ("default", Read(ini, "Veltrane", "Orphan"));
    EXPECT_EQ("default", Read(ini, "Veltrane", "Later"));
    EXPECT_EQ("default", Read(ini, "Missing", "Name"));
    EXPECT_EQ("default", Read(dir.file("none.ini"), "Veltrane", "Name"));
    EXPECT_EQ("", Read(dir.file("none.ini"), "Veltrane", "Name", nullptr));

    // Copies are cut at size - 1, never inside a multi-byte character.
    EXPECT_EQ("htt", Read(ini, "Veltrane", "HostName", "", 4));
    EXPECT_EQ("de", Read(ini, "Veltrane", "Missing", "default", 3));
#ifndef _WIN32
    WriteText(ini, "\xEF\xBB\xBF[S]\nk=a\xC3\xA9\n");
    EXPECT_EQ("a\xC3\xA9", Read(ini, "s", "K"));
    EXPECT_EQ("a", Read(ini, "s", "K", "", 3));
#endif

    char buf[4] = "xyz";
    EXPECT_EQ(0u, plat::GetPrivateProfileString("S", "k", "d", buf, 0, ini.c_str()));
    EXPECT_STREQ("xyz", buf);
}

TEST(Profile, WriteCreatesFileSectionAndKey)
{
    TempDir dir;
    const std::string ini = dir.file("new.ini");
    ASSERT_TRUE(plat::WritePrivateProfileString("Veltrane", "HostName", "http://x", ini.c_str()));
    EXPECT_EQ("[Veltrane]\r\nHostName=http://x\r\n", ReadText(ini));
    ASSERT_TRUE(plat::WritePrivateProfileString("Status", "Stop", "1", ini.c_str()));
    EXPECT_EQ("[Veltrane]\r\nHostName=http://x\r\n[Status]\r\nStop=1\r\n", ReadText(ini));
    EXPECT_EQ(1u, FileCount(dir));
    EXPECT_FALSE(plat::WritePrivateProfileString("S", "k", "v", dir.file("no/such/folder.ini").c_str()));
}

// Not on Windows: the layout of the lines a write does not change is the system's own (Wine rewrites them all).
#ifndef _WIN32
TEST(Profile, WriteChangesOnlyWhatItMust)
{
    TempDir dir;
    const std::string ini = dir.file("a.ini");
    WriteText(ini, "; comment\r\n[A]\r\nk=1\r\n\r\n[Veltrane]\r\nodd line\r\n  x = 1  \r\n[veltrane]\r\nx=3\r\n\r\n"
                   "\r\n[B]\r\ny=2");
    ASSERT_TRUE(plat::WritePrivateProfileString("VELTRANE", "X", "9", ini.c_str()));
    ASSERT_TRUE(plat::WritePrivateProfileString("Veltrane", "New", "5", ini.c_str()));
    ASSERT_TRUE(plat::WritePrivateProfileString("veltrane", "new", "6", ini.c_str()));
    ASSERT_TRUE(plat::WritePrivateProfileString("B", "z", "", ini.c_str()));
    ASSERT_TRUE(plat::WritePrivateProfileString("C", "w", "4", ini.c_str()));
    EXPECT_EQ("; comment\r\n[A]\r\nk=1\r\n\r\n[Veltrane]\r\nodd line\r\n  x = 9\r\nNew=6\r\n[veltrane]\r\nx=3\r\n\r\n"
              "\r\n[B]\r\ny=2\r\nz=\r\n[C]\r\nw=4\r\n",
              ReadText(ini));

    // New keys go to the first of two same-named sections, and before the blank lines that end one.
    ASSERT_TRUE(plat::WritePrivateProfileString("veltrane", "second", "s", ini.c_str()));
    EXPECT_NE(std::string::npos, ReadText(ini).find("\r\nNew=6\r\nsecond=s\r\n[veltrane]"));
    ASSERT_TRUE(plat::WritePrivateProfileString("A", "m", "2", ini.c_str()));
    EXPECT_NE(std::string::npos, ReadText(ini).find("[A]\r\nk=1\r\nm=2\r\n\r\n[Veltrane]"));
    EXPECT_EQ(1u, FileCount(dir));
}
#endif

// Not on Windows: the layout of the lines a write does not change is the system's own (Wine rewrites them all).
#ifndef _WIN32
TEST(Profile, WriteKeepsLfEndingsAndDeletesOnNullValue)
{
    TempDir dir;
    const std::string ini = dir.file("a.ini");
    WriteText(ini, "[S]\nk=1\nm=2\n");
    ASSERT_TRUE(plat::WritePrivateProfileString("S", "n", "3", ini.c_str()));
    ASSERT_TRUE(plat::WritePrivateProfileString("T", "o", "4", ini.c_str()));
    ASSERT_TRUE(plat::WritePrivateProfileString("s", "K", nullptr, ini.c_str()));
    EXPECT_EQ("[S]\nm=2\nn=3\n[T]\no=4\n", ReadText(ini));

    // Deleting what is not there changes nothing and creates nothing.
    ASSERT_TRUE(plat::WritePrivateProfileString("S", "gone", nullptr, ini.c_str()));
    ASSERT_TRUE(plat::WritePrivateProfileString("Gone", "k", nullptr, ini.c_str()));
    EXPECT_EQ("[S]\nm=2\nn=3\n[T]\no=4\n", ReadText(ini));
    ASSERT_TRUE(plat::WritePrivateProfileString("S", "k", nullptr, dir.file("none.ini").c_str()));
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.ini")));
}
#endif

TEST(Profile, WriteRefusesTextThatWouldAddLines)
{
    TempDir dir;
    const std::string ini = dir.file("a.ini");
    WriteText(ini, "[S]\nk=1\n");
    EXPECT_FALSE(plat::WritePrivateProfileString("S", "k", "1\n[Evil]\nx=1", ini.c_str()));
    EXPECT_FALSE(plat::WritePrivateProfileString("S", "a=b", "1", ini.c_str()));
    EXPECT_FALSE(plat::WritePrivateProfileString("S]x", "k", "1", ini.c_str()));
    EXPECT_FALSE(plat::WritePrivateProfileString("S", "  ", "1", ini.c_str()));
    EXPECT_EQ("[S]\nk=1\n", ReadText(ini));
    // A path that cannot be read as a file is never replaced.
    std::filesystem::create_directory(dir.file("folder.ini"));
    EXPECT_FALSE(plat::WritePrivateProfileString("S", "k", "1", dir.file("folder.ini").c_str()));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder.ini")));
}

#ifndef _WIN32
TEST(Profile, WriteKeepsPermissions)
{
    TempDir dir;
    const std::string ini = dir.file("a.ini");
    WriteText(ini, "[S]\nk=1\n");
    ASSERT_EQ(0, ::chmod(ini.c_str(), 0640));
    ASSERT_TRUE(plat::WritePrivateProfileString("S", "k", "2", ini.c_str()));
    struct stat st = {};
    ASSERT_EQ(0, ::stat(ini.c_str(), &st));
    EXPECT_EQ(0640u, st.st_mode & 07777u);

    const mode_t old = ::umask(022);
    const std::string fresh = dir.file("fresh.ini");
    const bool written = plat::WritePrivateProfileString("S", "k", "2", fresh.c_str());
    ::umask(old);
    ASSERT_TRUE(written);
    ASSERT_EQ(0, ::stat(fresh.c_str(), &st));
    EXPECT_EQ(0644u, st.st_mode & 07777u);
}

// The file that replaces an owner-only one (the settings file holds the password) is never
// readable by others, not even while its bytes are being written. A watcher looks at every file
// in the folder for as long as the writes go on.
TEST(Profile, AReplacementIsOwnerOnlyWhileItIsWritten)
{
    TempDir dir;
    const std::string ini = dir.file("secret.ini");
    WriteText(ini, "[S]\nPassword=x\n");
    ASSERT_EQ(0, ::chmod(ini.c_str(), 0600));
    const mode_t old = ::umask(022);
    std::atomic<bool> bDone{false};
    std::atomic<int> nExposed{0};
    std::thread watcher([&] {
        while (!bDone) {
            for (const auto& item : std::filesystem::directory_iterator(dir.path())) {
                struct stat st = {};
                if (::stat(item.path().c_str(), &st) == 0 && (st.st_mode & 077) != 0)
                    ++nExposed;
            }
        }
    });
    const std::string big(256 * 1024, 'p');
    for (int i = 0; i < 200; ++i)
        EXPECT_TRUE(plat::WritePrivateProfileString("S", "Password", (big + std::to_string(i)).c_str(), ini.c_str()));
    bDone = true;
    watcher.join();
    ::umask(old);
    EXPECT_EQ(nExposed, 0);
}
#endif

TEST(CxIniUtil, ReadsNumbersAndBooleans)
{
    TempDir dir;
    WriteText(dir.file("a.ini"), "[S]\na=12abc\nb=abc\nc=-7x\nd=+5\ne=\nf=\"\"\ng=2\nh=0\n"
                                 "i=00000000000000000000000000000012345\n");
    CxIniUtil ini(dir.path().c_str(), "a.ini");
    EXPECT_EQ(12, ini.ReadIniInt("S", "a", 99));
    EXPECT_EQ(0, ini.ReadIniInt("S", "b", 99));
    EXPECT_EQ(-7, ini.ReadIniInt("S", "c", 99));
    EXPECT_EQ(5, ini.ReadIniInt("S", "d", 99));
    EXPECT_EQ(99, ini.ReadIniInt("S", "e", 99));
    EXPECT_EQ(99, ini.ReadIniInt("S", "f", 99));
    EXPECT_EQ(99, ini.ReadIniInt("S", "missing", 99));
    // Only the first 31 characters are read.
    EXPECT_EQ(1, ini.ReadIniInt("S", "i", 99));
    EXPECT_TRUE(ini.ReadIniBool("S", "g", false));
    EXPECT_FALSE(ini.ReadIniBool("S", "h", true));
    EXPECT_FALSE(ini.ReadIniBool("S", "b", true));
    EXPECT_TRUE(ini.ReadIniBool("S", "missing", true));
    EXPECT_FALSE(ini.ReadIniBool("S", "missing", false));

    EXPECT_EQ(0, ParseLeadingInt(""));
    EXPECT_EQ(0, ParseLeadingInt("-"));
    EXPECT_EQ(0, ParseLeadingInt(" 5"));
    EXPECT_EQ(INT_MAX, ParseLeadingInt("2147483647"));
    EXPECT_EQ(INT_MIN, ParseLeadingInt("-2147483648"));
    EXPECT_EQ(INT_MAX, ParseLeadingInt("99999999999999999999999"));
    EXPECT_EQ(INT_MIN, ParseLeadingInt("-99999999999999999999999"));
}

TEST(CxIniUtil, WritesExactText)
{
    TempDir dir;
    CxIniUtil ini(dir.path().c_str(), "a.ini");
    EXPECT_EQ(0, ini.WriteIniString("S", "", "x"));
    EXPECT_EQ(0, ini.WriteIniString("S", nullptr, "x"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.ini")));
    EXPECT_EQ(1, ini.WriteIniBool("S", "on", true));
    EXPECT_EQ(1, ini.WriteIniBool("S", "off", false));
    EXPECT_EQ(1, ini.WriteIniInt("S", "n", -42));
    EXPECT_EQ(1, ini.WriteIniString("S", "t", nullptr));
    EXPECT_EQ("[S]\r\non=1\r\noff=0\r\nn=-42\r\nt=\r\n", ReadText(dir.file("a.ini")));

    char buf[8] = "keep";
    EXPECT_EQ(0u, ini.ReadIniString("S", "n", buf, 0, "d"));
    EXPECT_EQ(0u, ini.ReadIniString("S", "", buf, sizeof buf, "d"));
    EXPECT_EQ(0u, ini.ReadIniString("S", nullptr, buf, sizeof buf, "d"));
    EXPECT_EQ(0u, ini.ReadIniString("S", "n", nullptr, sizeof buf, "d"));
    EXPECT_STREQ("keep", buf);
    EXPECT_EQ(3u, ini.ReadIniString("S", "n", buf, sizeof buf, "d"));
    EXPECT_STREQ("-42", buf);
}

TEST(CxIniUtil, Paths)
{
    char szFolder[260];
    ASSERT_EQ(1, GetModuleFolder(nullptr, szFolder));
    std::string program;
    ASSERT_TRUE(plat::GetModuleFileName(program));
    const std::string folder = szFolder;
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(plat::kPathSeparator, folder.back());
    EXPECT_EQ(0u, program.rfind(folder, 0));
    EXPECT_EQ(std::string::npos, program.find(plat::kPathSeparator, folder.size()));
    EXPECT_EQ(0, GetModuleFolder(nullptr, nullptr));
    EXPECT_EQ(0, ShellOpen(nullptr));
    EXPECT_EQ(0, ShellOpen(""));

    EXPECT_EQ(folder + "quorvel.ini", CxIniUtil("", "quorvel.ini").GetIniPath());
    EXPECT_EQ(folder + "quorvel.ini", CxIniUtil(nullptr, "quorvel.ini").GetIniPath());
    EXPECT_STREQ("/data/quorvel.ini", CxIniUtil("/data/", "quorvel.ini").GetIniPath());

    const std::string longFolder = "/" + std::string(300, 'a') + "/";
    CxIniUtil ini(longFolder.c_str(), "quorvel.ini");
    EXPECT_EQ(longFolder.substr(0, 259), ini.GetIniPath());
    ini.SetIniPath("/b/c.ini");
    EXPECT_STREQ("/b/c.ini", ini.GetIniPath());
    ini.SetIniPath("");
    ini.SetIniPath(nullptr);
    EXPECT_STREQ("/b/c.ini", ini.GetIniPath());
    ini.SetIniPath((longFolder + "x.ini").c_str());
    EXPECT_EQ(longFolder.substr(0, 259), ini.GetIniPath());
}
