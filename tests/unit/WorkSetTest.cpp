// SPDX-License-Identifier: MIT
#include "SugarCRM/ParamFileReader.h"
#include "WorkSetTestUtil.h"
#include "core/Detection.h"
#include "core/RecordCursor.h"
#include "misc/CxCommWaitWindow.h"
#include "misc/CxDebugUtil.h"
#include "misc/TextUtil.h"
#include "platform/Platform.h"

#include <cstring>
#include <filesystem>

namespace
{

SGAddrRecord ContactWithId(const char* szId)
{
    SGAddrRecord r;
    CopyText(r.szId, szId);
    CopyText(r.szFirstName, "Ann");
    return r;
}

template <class Record> std::vector<Record*> WalkAll(Record* (*pfnFirst)(), Record* (*pfnNext)())
{
    std::vector<Record*> walked;
    for (Record* p = pfnFirst(); p != nullptr; p = pfnNext())
        walked.push_back(p);
    return walked;
}

// Each walked record came through its own entry, in load order.
template <class Kind>
void ExpectLoadOrder(CxSGRecordBridge<Kind>& bridge, const std::vector<typename Kind::Record*>& walked)
{
    ASSERT_EQ(walked.size(), bridge.GetRecordCount());
    for (uint32_t i = 0; i < walked.size(); ++i) {
        EXPECT_EQ(walked[i], bridge.GetRecord(i));
        EXPECT_NE(walked[i]->pStoreEntry, nullptr);
        EXPECT_EQ(walked[i]->pStoreEntry, walked[i]->pCommEntry);
    }
}

} // namespace

TEST(RecordCursorNoLoadTest, EveryWalkIsEmpty)
{
    FreeWorkSet();
    EXPECT_EQ(GetFirstAddrRecord(), nullptr);
    EXPECT_EQ(GetFirstDateRecord(), nullptr);
    EXPECT_EQ(GetFirstTaskRecord(), nullptr);
    EXPECT_EQ(GetFirstNoteRecord(), nullptr);
    EXPECT_EQ(GetNextAddrRecord(), nullptr);
    SGAddrRecord record;
    SeekAddrRecord(&record);
    EXPECT_FALSE(FindAddrDups());
}

class RecordCursorTest : public WorkSetFixture
{
};

TEST_F(RecordCursorTest, WalksEveryKindInLoadOrder)
{
    EXPECT_EQ(GetFirstAddrRecord(), nullptr);
    Fill(WorkSet.pAddrUtil, {ContactWithId("c0"), ContactWithId("c1"), ContactWithId("c2")});
    Fill(WorkSet.pDateUtil, std::vector<SGDateRecord>(2));
    Fill(WorkSet.pTaskUtil, std::vector<SGTaskRecord>(3));
    Fill(WorkSet.pNoteUtil, std::vector<SGNoteRecord>(4));
    ExpectLoadOrder(*WorkSet.pAddrUtil, WalkAll(GetFirstAddrRecord, GetNextAddrRecord));
    ExpectLoadOrder(*WorkSet.pDateUtil, WalkAll(GetFirstDateRecord, GetNextDateRecord));
    ExpectLoadOrder(*WorkSet.pTaskUtil, WalkAll(GetFirstTaskRecord, GetNextTaskRecord));
    ExpectLoadOrder(*WorkSet.pNoteUtil, WalkAll(GetFirstNoteRecord, GetNextNoteRecord));
    EXPECT_STREQ(WorkSet.pAddrUtil->GetRecord(2)->szId, "c2");
}

TEST_F(RecordCursorTest, SeekMovesTheSharedCursorOnlyForHandedOutRecords)
{
    Fill(WorkSet.pAddrUtil, {ContactWithId("c0"), ContactWithId("c1"), ContactWithId("c2"), ContactWithId("c3")});
    CxSGAddrUtil& bridge = *WorkSet.pAddrUtil;

    // Never handed out: no entry to seek, the walk goes on where it was.
    EXPECT_EQ(GetFirstAddrRecord(), bridge.GetRecord(0));
    SeekAddrRecord(bridge.GetRecord(3));
    EXPECT_EQ(GetNextAddrRecord(), bridge.GetRecord(1));
    SeekAddrRecord(nullptr);
    EXPECT_EQ(GetNextAddrRecord(), bridge.GetRecord(2));

    // Once handed out, a seek puts the one cursor back on it, whatever walk was under way.
    EXPECT_EQ(GetNextAddrRecord(), bridge.GetRecord(3));
    EXPECT_EQ(GetNextAddrRecord(), nullptr);
    SeekAddrRecord(bridge.GetRecord(1));
    EXPECT_EQ(GetNextAddrRecord(), bridge.GetRecord(2));
    SeekAddrRecord(bridge.GetRecord(3));
    EXPECT_EQ(GetNextAddrRecord(), nullptr);

    // Without a bridge a seek does nothing and a walk is empty.
    SGAddrRecord orphan = *bridge.GetRecord(0);
    delete WorkSet.pAddrUtil;
    WorkSet.pAddrUtil = nullptr;
    SeekAddrRecord(&orphan);
    EXPECT_EQ(GetFirstAddrRecord(), nullptr);
}

namespace
{

std::vector<int> g_pauses;

void RecordPause(int nMilliseconds)
{
    g_pauses.push_back(nMilliseconds);
}

} // namespace

// Loads through the stand-in helper, which sits beside this test program and follows a script in
// the application data folder.
class LoadSelectedDataTest : public WorkSetFixture
{
protected:
    void SetUp() override
    {
        WorkSetFixture::SetUp();
        // Failed loads write level-0 lines; they belong in the test's folder, not the current one.
        DebugLog.SetLogFolder(m_dir.path().c_str());
        std::filesystem::create_directory(m_dir.path() + "root");
        plat::SetAppDataRootForTesting(m_dir.path() + "root");
        char szFolder[260] = {};
        ASSERT_TRUE(GetAppDataFolder(szFolder));
        m_folder = szFolder;
        SetLoadPauseForTesting(RecordPause);
        g_pauses.clear();
        CopyText(AppSettings.HostName, "http://crm.example");
        CopyText(AppSettings.UserName, "admin");
        CopyText(AppSettings.Password, "s3cret");
        AppSettings.DebugEnabled = true;
        AppSettings.DebugLevel = 2;
    }

    void TearDown() override
    {
        FreeWorkSet();
        SetLoadPauseForTesting(nullptr);
        plat::SetAppDataRootForTesting("");
        DebugLog.SetLogFolder("./");
        WorkSetFixture::TearDown();
    }

    void Script(const char* szKind, const std::string& text)
    {
        WriteText(m_folder + "SG" + szKind + "Script.txt", text);
    }

    // A script that hands the helper these contacts as its data file.
    void ScriptContacts(const std::vector<SGAddrRecord>& records)
    {
        ASSERT_TRUE(WriteRecords<SGAddrKind>(m_dir.file("contacts.src"), records));
        Script("Addr", "record\ncopy-data " + m_dir.file("contacts.src") + "\n");
    }

    static void ExpectFullSet()
    {
        EXPECT_TRUE(WorkSet.pAddrUtil && WorkSet.pDateUtil && WorkSet.pTaskUtil && WorkSet.pNoteUtil);
        for (CxList* pList : {WorkSet.pAddrDups, WorkSet.pDateDups, WorkSet.pTaskDups, WorkSet.pNoteDups}) {
            ASSERT_NE(pList, nullptr);
            EXPECT_EQ(pList->GetCount(), 0u);
        }
    }

    // The helper operation each bridge last ran, 0 for none, in slot order.
    static std::vector<int> Operations()
    {
        return {WorkSet.pAddrUtil->GetOperation(), WorkSet.pDateUtil->GetOperation(), WorkSet.pTaskUtil->GetOperation(),
                WorkSet.pNoteUtil->GetOperation()};
    }

    std::string m_folder;
};

TEST_F(LoadSelectedDataTest, ContactsLoadWithTheSettingsHandedToTheHelper)
{
    AppSettings.AppFlag = DataKind::Contacts;
    ScriptContacts({ContactWithId("c0"), ContactWithId("c1")});
    EXPECT_TRUE(LoadSelectedData());
    ExpectFullSet();
    EXPECT_EQ(Operations(), (std::vector<int>{1, 0, 0, 0}));
    EXPECT_EQ(g_pauses, std::vector<int>{200});
    ExpectLoadOrder(*WorkSet.pAddrUtil, WalkAll(GetFirstAddrRecord, GetNextAddrRecord));
    EXPECT_STREQ(WorkSet.pAddrUtil->GetRecord(1)->szId, "c1");

    ParamFileReader params;
    ASSERT_TRUE(params.Load((m_folder + "SGAddrParamCopy.dat").c_str()));
    const std::pair<int, std::string> expected[] = {
        {1000, "http://crm.example"},      {1001, "admin"}, {1002, "s3cret"}, {1004, m_folder}, {1008, m_folder},
        {1009, "Contacts,Accounts,Leads"}, {1010, "2"},     {1011, "1"}};
    for (const auto& [nTag, sValue] : expected) {
        std::string sText;
        EXPECT_TRUE(params.GetText(nTag, sText));
        EXPECT_EQ(sText, sValue) << nTag;
    }
}

TEST_F(LoadSelectedDataTest, ContactsHelperFetchesOnlyTheTickedSources)
{
    AppSettings.AppFlag = DataKind::Contacts;
    AppSettings.AddrAccount = false;
    ScriptContacts({ContactWithId("c0")});
    EXPECT_TRUE(LoadSelectedData());

    ParamFileReader params;
    ASSERT_TRUE(params.Load((m_folder + "SGAddrParamCopy.dat").c_str()));
    std::string sModules;
    EXPECT_TRUE(params.GetText(1009, sModules));
    EXPECT_EQ(sModules, "Contacts,Leads");
}

TEST_F(LoadSelectedDataTest, CalendarAloneStillBuildsTheWholeSet)
{
    for (const char* szName : {"SGAddrStatus.dat", "SGDateStatus.dat", "SGTaskStatus.dat", "SGNoteStatus.dat"})
        WriteText(m_folder + szName, "old progress\r\n");
    AppSettings.AppFlag = DataKind::Calendar;
    Script("Date", "write-data-hex 00000000\n");
    ASSERT_TRUE(StartWaitWindow(nullptr));
    const bool bLoaded = LoadSelectedData();
    StopWaitWindow();
    ASSERT_TRUE(JoinWaitThread(5000));

    EXPECT_TRUE(bLoaded);
    ExpectFullSet();
    EXPECT_EQ(Operations(), (std::vector<int>{0, 1, 0, 0}));
    EXPECT_EQ(g_pauses, std::vector<int>{200});
    EXPECT_FALSE(plat::PathExists((m_folder + "SGDateStatus.dat").c_str()));
    for (const char* szName : {"SGAddrStatus.dat", "SGTaskStatus.dat", "SGNoteStatus.dat"})
        EXPECT_TRUE(plat::PathExists((m_folder + szName).c_str())) << szName;
}

TEST_F(LoadSelectedDataTest, OneFailedKindFailsTheLoadButKeepsTheRest)
{
    AppSettings.AppFlag = DataKind::Contacts | DataKind::Tasks;
    Script("Addr", "exit 1\n");
    Script("Task", "write-data-hex 00000000\n");
    EXPECT_FALSE(LoadSelectedData());
    ExpectFullSet();
    EXPECT_EQ(Operations(), (std::vector<int>{1, 0, 1, 0}));
    EXPECT_EQ(g_pauses, (std::vector<int>{200, 200}));
}

TEST_F(LoadSelectedDataTest, WithoutADataFolderNothingIsLoaded)
{
    WriteText(m_dir.file("plain-file"), "");
    plat::SetAppDataRootForTesting(m_dir.file("plain-file"));
    AppSettings.AppFlag = DataKind::Contacts | DataKind::Calendar | DataKind::Tasks | DataKind::Notes;
    EXPECT_FALSE(LoadSelectedData());
    ExpectFullSet();
    EXPECT_EQ(Operations(), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_TRUE(g_pauses.empty());
}

TEST_F(LoadSelectedDataTest, AFailedLoadSaysWhyAndAFolderTooLongForTheBridgesIsRefused)
{
    AppSettings.AppFlag = DataKind::Contacts | DataKind::Tasks;
    Script("Addr", "error The server refused the login.\nexit 1\n");
    // A damaged data file, the same on every platform (a crash would call up Wine's debugger).
    Script("Task", "write-data-hex ff\n");
    EXPECT_FALSE(LoadSelectedData());
    EXPECT_EQ(LoadFailureReason(), "The server refused the login.\nThe data file SGTask.dat that "
                                   "Quorvel.SGTaskUtil.exe wrote is damaged.");
    Script("Task", "write-data-hex 00000000\n");
    AppSettings.AppFlag = DataKind::Tasks;
    EXPECT_TRUE(LoadSelectedData());
    EXPECT_EQ(LoadFailureReason(), "");

    // "<root>/quorvel/Veltrane/" of 256 characters fits the 260 bytes of a path but not the
    // 256 bytes of a bridge's field, which would cut it into its parent folder.
    const std::string root = m_dir.path() + std::string(256 - m_dir.path().size() - 18, 'r');
    std::filesystem::create_directory(root);
    plat::SetAppDataRootForTesting(root);
    char szFolder[260] = {};
    ASSERT_TRUE(GetAppDataFolder(szFolder));
    ASSERT_EQ(std::strlen(szFolder), 256u);
    EXPECT_FALSE(LoadSelectedData());
    EXPECT_EQ(Operations(), (std::vector<int>{0, 0, 0, 0}));
    const std::string log = ReadText(m_dir.file("appdebug.log"));
    EXPECT_NE(log.find("!!!] - The application data folder is longer than 255 characters; nothing is loaded: "),
              std::string::npos);
}

TEST_F(LoadSelectedDataTest, ParameterFilesOfAnEarlierRunAreDeletedAtStartUp)
{
    const char* const names[] = {"SGAddrParam.dat", "SGDateParam.dat", "SGTaskParam.dat", "SGNoteParam.dat"};
    for (const char* szName : names)
        WriteText(m_folder + szName, "password");
    WriteText(m_folder + "SGTask.dat", "kept");
    DeleteLeftoverParamFiles(m_folder.c_str());
    for (const char* szName : names)
        EXPECT_FALSE(plat::PathExists((m_folder + szName).c_str())) << szName;
    EXPECT_TRUE(plat::PathExists((m_folder + "SGTask.dat").c_str()));
}

TEST_F(LoadSelectedDataTest, EveryLoadStartsAfresh)
{
    AppSettings.AppFlag = DataKind::Contacts;
    ScriptContacts({ContactWithId("c0"), ContactWithId("c0")});
    ASSERT_TRUE(LoadSelectedData());
    ASSERT_TRUE(FindAddrDups());
    EXPECT_EQ(WorkSet.pAddrDups->GetCount(), 1u);

    ScriptContacts({ContactWithId("d0"), ContactWithId("d1"), ContactWithId("d2")});
    ASSERT_TRUE(LoadSelectedData());
    ExpectFullSet();
    const std::vector<SGAddrRecord*> walked = WalkAll(GetFirstAddrRecord, GetNextAddrRecord);
    ASSERT_EQ(walked.size(), 3u);
    EXPECT_STREQ(walked[0]->szId, "d0");
}
