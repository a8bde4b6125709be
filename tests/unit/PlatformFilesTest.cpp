// SPDX-License-Identifier: MIT
#include "misc/WinUtil.h"
#include "platform/Platform.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <thread>

TEST(PlatformFiles, CopyReplacesTheTargetAndSizesAreExact)
{
    TempDir dir;
    const std::string a = dir.file("a.bin");
    const std::string b = dir.file("b.bin");
    EXPECT_EQ(plat::FileSize(a.c_str()), -1);
    WriteText(a, "");
    EXPECT_EQ(plat::FileSize(a.c_str()), 0);
    WriteText(a, "new content");
    WriteText(b, "a much longer old content");
    ASSERT_TRUE(plat::CopyFile(a.c_str(), b.c_str()));
    EXPECT_EQ(ReadText(b), "new content");
    EXPECT_EQ(plat::FileSize(b.c_str()), 11);
    EXPECT_FALSE(plat::CopyFile(dir.file("missing").c_str(), b.c_str()));
    EXPECT_EQ(ReadText(b), "new content");
}

TEST(PlatformFiles, DeleteReplaceAndFolders)
{
    TempDir dir;
    const std::string f = dir.file("x.tmp");
    EXPECT_FALSE(plat::DeleteFile(f.c_str()));
    WriteText(f, "1");
    EXPECT_TRUE(plat::PathExists(f.c_str()));
    EXPECT_TRUE(plat::ReplaceFile(f.c_str(), dir.file("y").c_str()));
    EXPECT_FALSE(plat::PathExists(f.c_str()));
    EXPECT_TRUE(plat::DeleteFile(dir.file("y").c_str()));

    const std::string sub = dir.file("sub");
    EXPECT_TRUE(plat::CreateFolder(sub.c_str()));
    EXPECT_FALSE(plat::CreateFolder(sub.c_str()));
#ifndef _WIN32
    struct stat st
    {
    };
    ASSERT_EQ(stat(sub.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
#endif
    EXPECT_FALSE(plat::PathExists(""));
    EXPECT_FALSE(plat::PathExists(nullptr));
}

// Not on Windows: Windows files have no mode bits.
#ifndef _WIN32
TEST(PlatformFiles, RestrictToOwnerLeavesOnlyTheOwnersBits)
{
    TempDir dir;
    const std::string f = dir.file("secret.ini");
    WriteText(f, "x");
    chmod(f.c_str(), 0644);
    plat::RestrictToOwner(f.c_str());
    struct stat st
    {
    };
    ASSERT_EQ(stat(f.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}
#endif

TEST(PlatformProcess, CurrentDirectoryAndOwnFile)
{
    TempDir dir;
    std::string before;
    ASSERT_TRUE(plat::GetCurrentDir(before));
    ASSERT_TRUE(plat::SetCurrentDir(dir.path().c_str()));
    std::string now;
    ASSERT_TRUE(plat::GetCurrentDir(now));
    EXPECT_EQ(now + "/", dir.path());
    EXPECT_FALSE(plat::SetCurrentDir(dir.file("missing").c_str()));
    ASSERT_TRUE(plat::SetCurrentDir(before.c_str()));

    std::string self;
    ASSERT_TRUE(plat::GetModuleFileName(self));
#ifdef _WIN32
    const std::string name = "unit_platform.exe";
#else
    const std::string name = "unit_platform";
#endif
    EXPECT_EQ(self.substr(self.rfind(plat::kPathSeparator) + 1), name);
    char folder[260];
    ASSERT_EQ(GetModuleFolder(nullptr, folder), 1);
    EXPECT_EQ(std::string(folder) + name, self);
}

TEST(PlatformProcess, AppDataRootCanBeRedirected)
{
    TempDir dir;
    plat::SetAppDataRootForTesting(dir.path());
    std::string root;
    ASSERT_TRUE(plat::GetAppDataRoot(root));
    EXPECT_EQ(root + "/", dir.path());
    plat::SetAppDataRootForTesting("");
    ASSERT_TRUE(plat::GetAppDataRoot(root));
    EXPECT_NE(root + "/", dir.path());
#ifdef _WIN32
    EXPECT_EQ(root.substr(root.size() - 12), "\\ProgramData");
#else
    EXPECT_EQ(root.substr(root.size() - 13), "/.local/share");
#endif
}

TEST(PlatformThreads, ThreadIdsDifferAndLocalTimeIsPlausible)
{
    const unsigned long main = plat::CurrentThreadId();
    unsigned long other = main;
    std::thread t([&] { other = plat::CurrentThreadId(); });
    t.join();
    EXPECT_NE(main, 0u);
    EXPECT_NE(other, main);
    EXPECT_EQ(plat::CurrentThreadId(), main);

    plat::SystemTime st;
    plat::GetLocalTime(st);
    EXPECT_GE(st.wYear, 2024);
    EXPECT_TRUE(st.wMonth >= 1 && st.wMonth <= 12);
    EXPECT_TRUE(st.wDay >= 1 && st.wDay <= 31);
    EXPECT_LT(st.wHour, 24);
    EXPECT_LT(st.wDayOfWeek, 7);
}
