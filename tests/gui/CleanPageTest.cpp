// SPDX-License-Identifier: MIT
#include "PageFixture.h"

#include "SugarCRM/ParamFileReader.h"
#include "core/MergeJob.h"
#include "gui/TfmMain.h"
#include "gui/TfmSGClean.h"
#include "unit/StandinSupport.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <memory>

namespace
{

const std::string kRule(80, '=');

// What the run looked like while it paused before the first submission.
struct PauseSeen
{
    int nMilliseconds = 0;
    bool bMainEnabled = true;
    bool bWaitWindow = false;
    // The memo while the helpers run, and whether the event loop had turned during the run.
    std::string memo;
    bool bTurned = false;
};
PauseSeen g_pause;
TfmMain* g_pPausedMain = nullptr;
bool g_bTurned = false;

void RecordPause(int nMilliseconds)
{
    g_pause.nMilliseconds = nMilliseconds;
    g_pause.bMainEnabled = g_pPausedMain->isEnabled();
    g_pause.bWaitWindow = CurrentWaitWindow.load() != nullptr;
    g_pause.memo = Find<QPlainTextEdit>(g_pPausedMain, "memLog")->toPlainText().toStdString();
    g_pause.bTurned = g_bTurned;
}

std::string Summary(int nAddr, int nDate, int nTask, int nNote)
{
    return kRule + "\nDeleting duplicates finished:\n\t" + std::to_string(nAddr) +
           " duplicate contact items deleted.\n\t" + std::to_string(nDate) + " duplicate calendar items deleted.\n\t" +
           std::to_string(nTask) + " duplicate task items deleted.\n\t" + std::to_string(nNote) +
           " duplicate note items deleted.\n";
}

// The memo's lines joined by line breaks: the intro on its own ends with its empty line, and a
// following line comes after one more break.
const std::string kIntroAlone = "Start deleting duplicate records ...\n" + kRule + "\n";
const std::string kIntro = kIntroAlone + "\n";

class CleanPageTest : public PageTest
{
protected:
    void SetUp() override
    {
        PageTest::SetUp();
        m_pMain = std::make_unique<TfmMain>();
        m_pPage = new TfmSGClean(*m_pMain, m_pMain.get());
        g_pPausedMain = m_pMain.get();
        g_pause = PauseSeen();
        m_pPage->SetPauseForTesting(RecordPause);
        for (const char* szKind : {"Addr", "Date", "Task", "Note"})
            WriteStandinScript(DataFolder(), szKind, "record\n");
    }

    void TearDown() override
    {
        m_pMain.reset();
        g_pPausedMain = nullptr;
        PageTest::TearDown();
    }

    // Lists the bridge's records at these positions, ticked or not, as the review page leaves them.
    template <class Bridge> void List(Bridge* pBridge, CxList* pDups, std::initializer_list<std::pair<int, bool>> rows)
    {
        for (const auto& [nIndex, bTicked] : rows) {
            auto* pRecord = pBridge->GetRecord(static_cast<uint32_t>(nIndex));
            pRecord->dwFlags = REC_DUPLICATE | (bTicked ? REC_SELECTED : 0);
            pDups->AddTail(pRecord);
        }
    }

    std::string Memo() const { return Find<QPlainTextEdit>(m_pPage, "memLog")->toPlainText().toStdString(); }

    // The backup file of the module that the run wrote, whatever the time in its name.
    std::string BackupPath(const std::string& module) const
    {
        const std::string ending = " " + module + ".csv";
        for (const auto& entry : std::filesystem::directory_iterator(DataFolder() + "Backups")) {
            const std::string path = entry.path().string();
            if (path.size() > ending.size() && path.compare(path.size() - ending.size(), ending.size(), ending) == 0)
                return path;
        }
        return "<no backup of " + module + ">";
    }
    std::string BackupLine(const char* szItems, const std::string& module) const
    {
        return std::string("Backup of the ") + szItems + " items to be deleted: " + BackupPath(module) + "\n";
    }
    int Bar() const { return Find<QProgressBar>(m_pPage, "pbDel")->value(); }

    // The operation that the kind's helper was last started with, empty when it never ran.
    std::string HelperOperation(const char* szKind) const
    {
        ParamFileReader params;
        std::string operation;
        if (params.Load((DataFolder() + "SG" + szKind + "ParamCopy.dat").c_str()))
            params.GetText(1005, operation);
        return operation;
    }

    std::unique_ptr<TfmMain> m_pMain;
    TfmSGClean* m_pPage = nullptr;
};

TEST_F(CleanPageTest, TheRunAccountsForTickedContactsMarksThemAndSubmits)
{
    AppSettings.AppFlag = DataKind::Contacts;
    SGAddrRecord full = Addr("Eve", "Moss", "", 1);
    CopyText(full.szDepartment, "Sales");
    CopyText(full.szJobTitle, "Boss");
    CopyText(full.szMobilePhone, "555 12");
    Fill(WorkSet.pAddrUtil,
         {Addr("Ann", "Lee", "ann@x.org", 1), Addr("Bob", "Ray", "b@x", 1), full, Addr("Cy", "Doe", "c@x", 1)});
    List(WorkSet.pAddrUtil, WorkSet.pAddrDups, {{0, true}, {1, false}, {2, true}});
    // Listed but not loaded through the bridge: no store entry to mark.
    SGAddrRecord stray = Addr("Stray", "One", "", 1);
    stray.dwFlags = REC_SELECTED;
    WorkSet.pAddrDups->AddTail(&stray);

    auto* pMemo = Find<QPlainTextEdit>(m_pPage, "memLog");
    pMemo->setPlainText(QStringLiteral("account of an earlier run"));
    auto* pTimer = m_pPage->findChild<QTimer*>(QStringLiteral("tmStart"));
    ASSERT_NE(pTimer, nullptr);
    EXPECT_FALSE(pTimer->isActive());
    EXPECT_TRUE(m_pPage->ExchangeData(false));
    EXPECT_EQ(Memo(), kIntroAlone);
    EXPECT_TRUE(pTimer->isActive());
    EXPECT_EQ(pTimer->interval(), 1000);
    EXPECT_EQ(Bar(), 0);

    g_bTurned = false;
    QTimer::singleShot(0, [] { g_bTurned = true; });
    m_pPage->tmStartTimer();
    EXPECT_FALSE(pTimer->isActive());
    EXPECT_EQ(Memo(), kIntro +
                          "Deleting contact item ...\n\tFirst Name: Ann\n\tLast Name: Lee\n\tDepartment: <empty>\n"
                          "\tTitle: <empty>\n\tEmail: ann@x.org\n\tMobile Phone: <empty>\nDeletion succeeded.\n\n"
                          "Deleting contact item ...\n\tFirst Name: Eve\n\tLast Name: Moss\n\tDepartment: Sales\n"
                          "\tTitle: Boss\n\tEmail: <empty>\n\tMobile Phone: 555 12\nDeletion succeeded.\n\n"
                          "Deleting contact item ...\n\tFirst Name: Stray\n\tLast Name: One\n\tDepartment: <empty>\n"
                          "\tTitle: <empty>\n\tEmail: <empty>\n\tMobile Phone: <empty>\nDeletion failed.\n\n" +
                          BackupLine("contact", "Contacts") + "\n" + Summary(2, 0, 0, 0));
    EXPECT_EQ(Bar(), 100);

    // The page was painted during the run, and the whole account is in view while the helper runs.
    EXPECT_TRUE(g_pause.bTurned);
    EXPECT_EQ(g_pause.memo, Memo());
    // Under the wait window, with the main window held, and through the seam rather than a sleep.
    EXPECT_EQ(g_pause.nMilliseconds, 200);
    EXPECT_FALSE(g_pause.bMainEnabled);
    EXPECT_TRUE(g_pause.bWaitWindow);
    EXPECT_TRUE(m_pMain->isEnabled());

    // The helper got the whole data file back with exactly the ticked records marked.
    EXPECT_EQ(HelperOperation("Addr"), "2");
    const auto written = ReadRecords<SGAddrKind>(DataFolder() + "SGAddr.dat");
    ASSERT_EQ(written.size(), 4u);
    EXPECT_EQ(written[0].nStatus, SGSTATUS_DELETE);
    EXPECT_EQ(written[1].nStatus, 0);
    EXPECT_EQ(written[2].nStatus, SGSTATUS_DELETE);
    EXPECT_EQ(written[3].nStatus, 0);
    EXPECT_EQ(HelperOperation("Date"), "");
}

TEST_F(CleanPageTest, NothingTickedRunsNoHelperAndEndsAtTheFullBar)
{
    AppSettings.AppFlag = DataKind::Tasks;
    Fill(WorkSet.pTaskUtil, {Task("Call", "High", 0, 1), Task("Call", "High", 0, 2)});
    List(WorkSet.pTaskUtil, WorkSet.pTaskDups, {{0, false}});
    m_pPage->ExchangeData(false);
    m_pPage->tmStartTimer();

    EXPECT_EQ(Memo(), kIntro + Summary(0, 0, 0, 0));
    EXPECT_EQ(Bar(), 100);
    EXPECT_EQ(HelperOperation("Task"), "");
    EXPECT_TRUE(g_pause.bWaitWindow);

    // Arming again starts the account afresh.
    m_pPage->ExchangeData(false);
    EXPECT_EQ(Memo(), kIntroAlone);
    EXPECT_EQ(Bar(), 0);
}

TEST_F(CleanPageTest, CalendarTaskAndNoteAccountsAndTheBarStepPerRecord)
{
    AppSettings.AppFlag = DataKind::Calendar | DataKind::Tasks | DataKind::Notes;
    SGDateRecord meeting = Event("Review", kMarch5At1430, kMarch5At160015, 1);
    CopyText(meeting.szLocation, "Room 4");
    CopyText(meeting.szStatus, "Planned");
    Fill(WorkSet.pDateUtil, {meeting, Event("Open", 0, 0, 1)});
    Fill(WorkSet.pTaskUtil, {Task("Renew", "High", 53114, 1)});
    Fill(WorkSet.pNoteUtil, std::vector<SGNoteRecord>(1));
    List(WorkSet.pDateUtil, WorkSet.pDateDups, {{0, true}, {1, true}});
    List(WorkSet.pTaskUtil, WorkSet.pTaskDups, {{0, true}});
    List(WorkSet.pNoteUtil, WorkSet.pNoteDups, {{0, true}});
    // Not chosen, so neither walked nor counted.
    Fill(WorkSet.pAddrUtil, {Addr("Ann", "Lee", "", 1)});
    List(WorkSet.pAddrUtil, WorkSet.pAddrDups, {{0, true}});

    m_pPage->ExchangeData(false);
    std::vector<int> steps;
    QObject::connect(Find<QProgressBar>(m_pPage, "pbDel"), &QProgressBar::valueChanged,
                     [&steps](int nValue) { steps.push_back(nValue); });
    m_pPage->tmStartTimer();

    EXPECT_EQ(steps, (std::vector<int>{25, 50, 75, 100}));
    EXPECT_EQ(Memo(), kIntro +
                          "Deleting calendar item ...\n\tSubject: Review\n\tLocation: Room 4\n\tStart Time: 14:30:00\n"
                          "\tEnd Time: 16:00:15\n\tStatus: Planned\nDeletion succeeded.\n\n"
                          "Deleting calendar item ...\n\tSubject: Open\n\tLocation: <empty>\n\tStart Time: N/A\n"
                          "\tEnd Time: N/A\n\tStatus: <empty>\nDeletion succeeded.\n\n"
                          "Deleting task item ...\n\tSubject: Renew\n\tPriority: High\n\tDue Date: <empty>\n"
                          "Deletion succeeded.\n\n"
                          "Deleting note item ...\n\tNote Text: <empty>\nDeletion succeeded.\n\n" +
                          BackupLine("calendar", "Calls") + "\n" + BackupLine("task", "Tasks") + "\n" +
                          Summary(0, 2, 1, 1));
    EXPECT_EQ(HelperOperation("Date"), "2");
    EXPECT_EQ(HelperOperation("Task"), "2");
    EXPECT_EQ(HelperOperation("Note"), "2");
    EXPECT_EQ(HelperOperation("Addr"), "");
    EXPECT_EQ(WorkSet.pAddrUtil->GetRecord(0)->nStatus, 0);
}

TEST_F(CleanPageTest, AFailedSubmissionNamesWhatTheServerStillHolds)
{
    AppSettings.AppFlag = DataKind::Contacts;
    // The helper gave no word on single records: none of them is called deleted.
    WriteStandinScript(DataFolder(), "Addr", "record\nerror Access denied for user admin\n");
    Fill(WorkSet.pAddrUtil, {Addr("Ann", "Lee", "", 1)});
    List(WorkSet.pAddrUtil, WorkSet.pAddrDups, {{0, true}});
    m_pPage->ExchangeData(false);
    m_pPage->tmStartTimer();

    std::string memo = Memo();
    std::string tail = Summary(1, 0, 0, 0) + "\nSubmitting the contact deletions to SugarCRM failed: "
                                             "Access denied for user admin\n\tNot confirmed: Ann Lee\n"
                                             "\t0 of 1 duplicate contact items were confirmed deleted by SugarCRM.";
    ASSERT_GE(memo.size(), tail.size());
    EXPECT_EQ(memo.substr(memo.size() - tail.size()), tail);
    EXPECT_EQ(Bar(), 100);

    // The helper names the one record the server kept, by its place in the data file.
    FreeWorkSet();
    MakeWorkSet();
    WriteStandinScript(DataFolder(), "Addr", "error Could not delete Bob\nnot-deleted 2\n");
    Fill(WorkSet.pAddrUtil, {Addr("Ann", "Lee", "a@x", 1), Addr("Kept", "One", "", 1), Addr("Bob", "Ray", "b@x", 1)});
    List(WorkSet.pAddrUtil, WorkSet.pAddrDups, {{0, true}, {2, true}});
    m_pPage->ExchangeData(false);
    m_pPage->tmStartTimer();
    memo = Memo();
    tail = "failed: Could not delete Bob\n\tNot deleted: Bob Ray <b@x>\n"
           "\t1 of 2 duplicate contact items were confirmed deleted by SugarCRM.";
    ASSERT_GE(memo.size(), tail.size());
    EXPECT_EQ(memo.substr(memo.size() - tail.size()), tail);
}

TEST_F(CleanPageTest, MinimisingInTheFirstSecondKeepsTheRunArmedAndLeavingDisarmsIt)
{
    AppSettings.AppFlag = DataKind::Contacts;
    Fill(WorkSet.pAddrUtil, {Addr("Ann", "Lee", "", 1)});
    List(WorkSet.pAddrUtil, WorkSet.pAddrDups, {{0, true}});
    m_pMain->show();
    m_pPage->show();
    m_pPage->ExchangeData(false);
    auto* pTimer = m_pPage->findChild<QTimer*>(QStringLiteral("tmStart"));
    ASSERT_NE(pTimer, nullptr);
    m_pMain->showMinimized();
    QApplication::processEvents();
    EXPECT_TRUE(pTimer->isActive());
    m_pMain->showNormal();
    QApplication::processEvents();
    ASSERT_TRUE(QTest::qWaitFor([pTimer] { return !pTimer->isActive(); }, 3000));
    EXPECT_NE(Memo().find("Deletion succeeded."), std::string::npos);
    EXPECT_EQ(HelperOperation("Addr"), "2");

    // Leaving the page is another thing: the run is called off.
    m_pPage->ExchangeData(false);
    m_pPage->hide();
    EXPECT_FALSE(pTimer->isActive());
}

TEST_F(CleanPageTest, ProgressFileIsClearedOnlyWhereTheDataFolderIsKnown)
{
    AppSettings.AppFlag = DataKind::Contacts;
    Fill(WorkSet.pAddrUtil, {Addr("Ann", "Lee", "", 1)});
    List(WorkSet.pAddrUtil, WorkSet.pAddrDups, {{0, true}});
    const std::string progress = DataFolder() + "SGAddrStatus.dat";
    WriteText(progress, "left from the load\r\n");
    m_pPage->ExchangeData(false);
    m_pPage->tmStartTimer();
    EXPECT_FALSE(std::filesystem::exists(progress));
    ASSERT_TRUE(JoinWaitThread(5000));

    // Without the data folder no progress file is named, and no backup can be written: nothing of
    // the kind goes out.
    WriteText(m_dir.path() + "blocked", "");
    plat::SetAppDataRootForTesting(m_dir.path() + "blocked");
    char szFolder[260] = {};
    ASSERT_FALSE(GetAppDataFolder(szFolder));
    WriteText(progress, "left from the load\r\n");
    std::filesystem::remove(DataFolder() + "SGAddrParamCopy.dat");
    WorkSet.pAddrUtil->GetRecord(0)->nStatus = 0;
    m_pPage->ExchangeData(false);
    m_pPage->tmStartTimer();
    EXPECT_TRUE(std::filesystem::exists(progress));
    EXPECT_EQ(HelperOperation("Addr"), "");
    EXPECT_EQ(WorkSet.pAddrUtil->GetRecord(0)->nStatus, 0);
    EXPECT_EQ(Memo(), kIntro +
                          "Deleting contact item ...\n\tFirst Name: Ann\n\tLast Name: Lee\n\tDepartment: <empty>\n"
                          "\tTitle: <empty>\n\tEmail: <empty>\n\tMobile Phone: <empty>\nDeletion succeeded.\n\n"
                          "The backup of the contact items could not be written to the application data folder: none "
                          "of them is deleted.\n\n" +
                          Summary(0, 0, 0, 0));
}

TEST_F(CleanPageTest, AnUnwritableBackupKeepsThatKindOffTheServerOnly)
{
    AppSettings.AppFlag = DataKind::Contacts | DataKind::Tasks;
    Fill(WorkSet.pAddrUtil, {Addr("Ann", "Lee", "", 1)});
    Fill(WorkSet.pTaskUtil, {Task("Renew", "High", 0, 1)});
    List(WorkSet.pAddrUtil, WorkSet.pAddrDups, {{0, true}});
    List(WorkSet.pTaskUtil, WorkSet.pTaskDups, {{0, true}});
    // A file where the folder belongs: the contacts' backup cannot be made, the tasks' neither.
    WriteText(DataFolder() + "Backups", "");
    m_pPage->ExchangeData(false);
    m_pPage->tmStartTimer();
    const std::string memo = Memo();
    const std::string sep(1, plat::kPathSeparator);
    EXPECT_NE(memo.find("The backup of the contact items could not be written to " + DataFolder() + "Backups" + sep +
                        ": none of them is deleted.\n"),
              std::string::npos);
    EXPECT_NE(memo.find("\t0 duplicate contact items deleted.\n\t0 duplicate calendar items deleted.\n"
                        "\t0 duplicate task items deleted."),
              std::string::npos);
    EXPECT_EQ(HelperOperation("Addr"), "");
    EXPECT_EQ(HelperOperation("Task"), "");

    // Once the folder can be made, the backup names it and the kind goes out.
    std::filesystem::remove(DataFolder() + "Backups");
    WorkSet.pAddrUtil->GetRecord(0)->nStatus = 0;
    WorkSet.pTaskUtil->GetRecord(0)->nStatus = 0;
    AppSettings.AppFlag = DataKind::Contacts;
    m_pPage->ExchangeData(false);
    m_pPage->tmStartTimer();
    EXPECT_NE(Memo().find(BackupLine("contact", "Contacts") + "\n"), std::string::npos);
    EXPECT_EQ(HelperOperation("Addr"), "2");
}

TEST_F(CleanPageTest, MergeOptionsHandTheKeepListAndTheMemoSaysWhatMoved)
{
    AppSettings.AppFlag = DataKind::Contacts;
    std::vector<SGAddrRecord> contacts = {Addr("Ann", "Lee", "a@x", 1), Addr("Ann", "Lee", "b@x", 3),
                                          Addr("Ann", "Lee", "c@x", 2), Addr("Ann", "Lee", "d@x", 4)};
    for (std::size_t i = 0; i < contacts.size(); ++i)
        CopyText(contacts[i].szId, ("id-" + std::to_string(i)).c_str());
    Fill(WorkSet.pAddrUtil, contacts);
    // Detection marked 0 against 1, 1 and 2 against 3; 3 stays. 2 is not ticked.
    List(WorkSet.pAddrUtil, WorkSet.pAddrDups, {{0, true}, {1, true}, {2, false}});
    WorkSet.pAddrUtil->GetRecord(0)->pKeeper = WorkSet.pAddrUtil->GetRecord(1);
    WorkSet.pAddrUtil->GetRecord(1)->pKeeper = WorkSet.pAddrUtil->GetRecord(3);
    WorkSet.pAddrUtil->GetRecord(2)->pKeeper = WorkSet.pAddrUtil->GetRecord(3);

    // Options off: no keep file and no merge parameters, as before.
    m_pPage->ExchangeData(false);
    m_pPage->tmStartTimer();
    EXPECT_FALSE(std::filesystem::exists(DataFolder() + "SGAddrKeep.dat"));
    ParamFileReader params;
    ASSERT_TRUE(params.Load((DataFolder() + "SGAddrParamCopy.dat").c_str()));
    EXPECT_EQ(params.GetEntries().size(), 12u);
    EXPECT_EQ(Memo().find("Merged"), std::string::npos);

    // The helper reports one merge of two and four moved items.
    AppSettings.MergeMoveRelated = true;
    WriteStandinScript(DataFolder(), "Addr",
                       "record\nwrite-file-hex SGAddrMerged.dat 01000000040000006964"
                       "2d3004000000\n");
    for (uint32_t i = 0; i < 2; ++i)
        WorkSet.pAddrUtil->GetRecord(i)->nStatus = 0;
    m_pPage->ExchangeData(false);
    m_pPage->tmStartTimer();
    const std::string keep = ReadText(DataFolder() + "SGAddrKeep.dat");
    const std::string expected("\x01\0\0\0\x02\0\0\0\x04\0\0\0id-0\x04\0\0\0id-3\x04\0\0\0id-1\x04\0\0\0id-3", 40);
    EXPECT_EQ(keep, expected);
    ASSERT_TRUE(params.Load((DataFolder() + "SGAddrParamCopy.dat").c_str()));
    EXPECT_EQ(params.GetEntries().size(), 14u);
    EXPECT_NE(Memo().find("\tMerged Ann Lee <a@x> into Ann Lee <d@x>: 4 related items moved."), std::string::npos);
    EXPECT_EQ(Memo().find("Merged Ann Lee <b@x>"), std::string::npos);

    // A record kept that goes as well takes nothing: its duplicates are deleted plainly.
    WorkSet.pAddrUtil->GetRecord(3)->nStatus = SGSTATUS_DELETE;
    EXPECT_TRUE(KeepEntriesOf<SGAddrRecord>().empty());
}

TEST(FormatFieldLineTest, TabsLabelValueEmptyValuesAndTheLengthBound)
{
    char szLine[TfmSGClean::kFieldLineSize];
    TfmSGClean::FormatFieldLine(szLine, sizeof szLine, 1, "Email", "a@x");
    EXPECT_STREQ(szLine, "\tEmail: a@x");
    TfmSGClean::FormatFieldLine(szLine, sizeof szLine, 3, "Status", "");
    EXPECT_STREQ(szLine, "\t\t\tStatus: <empty>");
    TfmSGClean::FormatFieldLine(szLine, sizeof szLine, 0, "Note Text", nullptr);
    EXPECT_STREQ(szLine, "Note Text: <empty>");

    // No label: the buffer keeps what it held.
    TfmSGClean::FormatFieldLine(szLine, sizeof szLine, 1, "", "value");
    TfmSGClean::FormatFieldLine(szLine, sizeof szLine, 1, nullptr, "value");
    TfmSGClean::FormatFieldLine(nullptr, sizeof szLine, 1, "Label", "value");
    EXPECT_STREQ(szLine, "Note Text: <empty>");

    // A full location: "\tLocation: " is 11 bytes, and a two-byte letter straddling byte 255 is
    // dropped whole rather than halved. In cp1252 every byte is a letter of its own, and the line
    // fills the buffer.
    std::string location(243, 'x');
    location += "\xC3\xA9\xC3\xA9";
    TfmSGClean::FormatFieldLine(szLine, sizeof szLine, 1, "Location", location.c_str());
#ifdef _WIN32
    EXPECT_EQ(std::string(szLine), "\tLocation: " + std::string(243, 'x') + "\xC3");
    EXPECT_EQ(std::strlen(szLine), 256u - 1);
#else
    EXPECT_EQ(std::string(szLine), "\tLocation: " + std::string(243, 'x'));
    EXPECT_EQ(std::strlen(szLine), 256u - 2);
#endif
}

} // namespace
