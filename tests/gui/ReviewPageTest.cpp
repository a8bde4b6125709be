// SPDX-License-Identifier: MIT
#include "PageFixture.h"

#include "gui/TfmSGData.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

namespace
{

const QString kSelectAllQuestion = QStringLiteral("You are selecting all Contacts, Calendar or Tasks information, "
                                                  "including non-duplicate records. Are you sure to continue?");

class ReviewPageTest : public PageTest
{
protected:
    void SetUp() override
    {
        PageTest::SetUp();
        AppSettings.AppFlag = DataKind::Contacts;
        m_pPage = std::make_unique<TfmSGData>();
    }

    // Three of a kind (B newest), a pair (D newer), one alone: detection lists A, C and E.
    void FillContacts()
    {
        Fill(WorkSet.pAddrUtil, {Addr("Ann", "Lee", "ann@x.org", 100), Addr("Ann", "Lee", "ann@x.org", 300),
                                 Addr("Ann", "Lee", "ann@x.org", 200), Addr("Bob", "Ray", "bob@x.org", 100),
                                 Addr("Bob", "Ray", "bob@x.org", 50), Addr("Cy", "Doe", "cy@x.org", 10)});
    }

    void Click(const char* szButton) { QTest::mouseClick(Find<QPushButton>(m_pPage.get(), szButton), Qt::LeftButton); }
    QTreeView* List(const char* szName) { return Find<QTreeView>(m_pPage.get(), szName); }
    QTabWidget* Tabs() { return Find<QTabWidget>(m_pPage.get(), "pData"); }
    QString Label(const char* szName) { return Find<QLabel>(m_pPage.get(), szName)->text(); }
    QCheckBox* Box(const char* szName) { return Find<QCheckBox>(m_pPage.get(), szName); }

    std::unique_ptr<TfmSGData> m_pPage;
};

TEST_F(ReviewPageTest, EnteringListsTheRedundantContactsTickedUnderTheChosenKindsTab)
{
    FillContacts();
    m_pPage->ExchangeData(false);

    QTabWidget* pTabs = Tabs();
    ASSERT_EQ(pTabs->count(), 4);
    EXPECT_TRUE(pTabs->isTabVisible(0));
    EXPECT_FALSE(pTabs->isTabVisible(1));
    EXPECT_FALSE(pTabs->isTabVisible(2));
    EXPECT_FALSE(pTabs->isTabVisible(3));
    EXPECT_EQ(pTabs->tabText(0), QStringLiteral("Contacts (3 Dups)"));
    // Kinds that were not shown keep the form's headers.
    EXPECT_EQ(pTabs->tabText(2), QStringLiteral("Task"));
    EXPECT_EQ(Label("lblAddrCount"), QStringLiteral("6 Contact records in total"));

    QTreeView* pList = List("lvAddr");
    EXPECT_EQ(Rows(pList, kAddrCells),
              (QStringList{QStringLiteral("[x] Ann|Lee|ann@x.org||"), QStringLiteral("[x] Ann|Lee|ann@x.org||"),
                           QStringLiteral("[x] Bob|Ray|bob@x.org||")}));
    // The newest of each set stays off the list.
    EXPECT_EQ(static_cast<SGAddrRecord*>(WorkSet.pAddrDups->GetAt(1)), WorkSet.pAddrUtil->GetRecord(2));

    const char* const columns[] = {"First Name", "Last Name", "Email", "Work Phone", "Mobile Phone"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(pList->model()->headerData(i, Qt::Horizontal).toString(), QString::fromLatin1(columns[i]));
    // Shown as wide as the main window's client area, the record's own columns keep their widths
    // ahead of the kept record's, and a cut value is whole in its tooltip.
    m_pPage->resize(792, 366);
    m_pPage->show();
    QApplication::processEvents();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(pList->columnWidth(i), 120);
    const char* const keptColumns[] = {"Kept Name", "Kept Email", "Kept Modified", "Agreed On"};
    ASSERT_EQ(pList->model()->columnCount(), 9);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(pList->model()->headerData(5 + i, Qt::Horizontal).toString(), QString::fromLatin1(keptColumns[i]));
    EXPECT_EQ(pList->model()->index(0, 2).data(Qt::ToolTipRole).toString(), QStringLiteral("ann@x.org"));
    EXPECT_EQ(Box("cbAddrAll")->text(), QStringLiteral("Load All Contacts Data"));
    EXPECT_EQ(Box("cbTaskAll")->text(), QStringLiteral("Load All Tasks Data"));
    EXPECT_EQ(Find<QPushButton>(m_pPage.get(), "btnOption")->text(), QStringLiteral("&Options"));
}

TEST_F(ReviewPageTest, ADuplicateShowsTheRecordKeptAndTheRulesTheyAgreedOnEvenByAnEmptyValue)
{
    // Two John Smiths match because the older one has no address: the e-mail rule holds by an
    // empty slot, which is what the user must see.
    Fill(WorkSet.pAddrUtil,
         {Addr("John", "Smith", "", kMarch5At1430), Addr("John", "Smith", "john@x.org", kMarch5At160015),
          Addr("Cy", "Doe", "cy@x.org", kMarch5At1430)});
    m_pPage->ExchangeData(false);
    QTreeView* pList = List("lvAddr");
    const QString why = QStringLiteral("John Smith|john@x.org|03/05/2009 16:00:15|Full Name, First Name, Last Name, "
                                       "Email (empty)");
    EXPECT_EQ(Rows(pList), QStringList{QStringLiteral("[x] John|Smith||||") + why});
    EXPECT_EQ(pList->model()->index(0, 8).data(Qt::ToolTipRole).toString(), why.section(QLatin1Char('|'), 3));

    // Every record in view: the record kept and one that matched nothing have nothing to say.
    Box("cbAddrAll")->setChecked(true);
    EXPECT_EQ(Rows(pList), (QStringList{QStringLiteral("[ ] John|Smith||||") + why,
                                        QStringLiteral("[ ] John|Smith|john@x.org||||||"),
                                        QStringLiteral("[ ] Cy|Doe|cy@x.org||||||")}));
}

TEST_F(ReviewPageTest, AccentedNamesShowAsTheSystemCodePageSpellsThem)
{
    // Records hold the system's code page (cp1252 on a western Windows), not UTF-8.
    const std::string first = plat::WideToAnsi(u"J\u00FCrgen", 255);
    const std::string last = plat::WideToAnsi(u"M\u00FCller-\u00C9tienne", 255);
    Fill(WorkSet.pAddrUtil, {Addr(first.c_str(), last.c_str(), "j@x.org", kMarch5At1430),
                             Addr(first.c_str(), last.c_str(), "j@x.org", kMarch5At160015)});
    m_pPage->ExchangeData(false);
    const QString name = QStringLiteral("J\u00FCrgen|M\u00FCller-\u00C9tienne");
    EXPECT_EQ(Rows(List("lvAddr")), QStringList{QStringLiteral("[x] ") + name + QStringLiteral("|j@x.org|||") +
                                                QString(name).replace(QLatin1Char('|'), QLatin1Char(' ')) +
                                                QStringLiteral("|j@x.org|03/05/2009 16:00:15|Full Name, First "
                                                               "Name, Last Name, Email")});
}

TEST_F(ReviewPageTest, AChainOfKeepersShowsTheLastRecordKeptAndWhereItDiffers)
{
    // A's keeper B, without a first name, is itself kept by C: both are merged into C, and A and C
    // never shared a first name. An empty second address slot lets every pair pass the e-mail rule.
    Fill(WorkSet.pAddrUtil, {Addr("John", "Smith", "a@x.org", kMarch5At1430), Addr("", "Smith", "", kMarch5At1430 + 1),
                             Addr("Jon", "Smith", "c@x.org", kMarch5At1430 + 2)});
    m_pPage->ExchangeData(false);
    const QString kept = QStringLiteral("|Jon Smith|c@x.org|03/07/2009 14:30:00|");
    EXPECT_EQ(
        Rows(List("lvAddr")),
        (QStringList{QStringLiteral("[x] John|Smith|a@x.org||") + kept +
                         QStringLiteral("Last Name, Email (empty); differs: Full Name, First Name"),
                     QStringLiteral("[x] |Smith|||") + kept +
                         QStringLiteral("Full Name (partly empty), First Name (empty), Last Name, Email (empty)")}));
}

TEST_F(ReviewPageTest, CalendarAndTaskDuplicatesShowTheSubjectKeptAndTheirOwnRules)
{
    AppSettings.AppFlag = DataKind::Calendar | DataKind::Tasks;
    AppSettings.DateLocation = true;
    Fill(WorkSet.pDateUtil, {Event("Review", kMarch5At1430, 0, kMarch5At160015), Event("review", kMarch5At1430, 0, 1)});
    Fill(WorkSet.pTaskUtil, {Task("Call", "High", 0, kMarch5At1430), Task("Call", "Low", 0, kMarch5At160015)});
    CopyText(WorkSet.pTaskUtil->GetRecord(0)->szStatus, "Open");
    CopyText(WorkSet.pTaskUtil->GetRecord(1)->szStatus, "Open");
    m_pPage->ExchangeData(false);

    EXPECT_EQ(Rows(List("lvDate")), QStringList{QStringLiteral("[x] review|14:30:00|N/A|||Review|03/05/2009 16:00:15|"
                                                               "Subject, Start Time, Location (empty), Contact ID "
                                                               "(empty), Assigned ID (empty)")});
    EXPECT_EQ(Rows(List("lvTask")), QStringList{QStringLiteral("[x] Call|High|N/A||Call|03/05/2009 16:00:15|Subject, "
                                                               "Status, Contact ID (empty), Assigned ID (empty)")});
    EXPECT_EQ(List("lvTask")->model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Kept Subject"));
    EXPECT_EQ(List("lvNote")->model()->columnCount(), 1);
}

TEST_F(ReviewPageTest, HeaderSaysDupForNoneOrOneAndDupsFromTwo)
{
    Fill(WorkSet.pAddrUtil, {Addr("Ann", "Lee", "a@x", 1), Addr("Bob", "Ray", "b@x", 1)});
    m_pPage->ExchangeData(false);
    EXPECT_EQ(Tabs()->tabText(0), QStringLiteral("Contacts (0 Dup)"));
    EXPECT_EQ(Label("lblAddrCount"), QStringLiteral("2 Contact records in total"));
    EXPECT_TRUE(Rows(List("lvAddr")).isEmpty());

    Fill(WorkSet.pAddrUtil, {Addr("Ann", "Lee", "a@x", 1), Addr("Ann", "Lee", "a@x", 2)});
    m_pPage->ExchangeData(false);
    EXPECT_EQ(Tabs()->tabText(0), QStringLiteral("Contacts (1 Dup)"));

    AppSettings.AppFlag = DataKind::Tasks;
    Fill(WorkSet.pTaskUtil, {Task("Call", "High", 0, 1), Task("Call", "High", 0, 2), Task("Call", "Low", 0, 3)});
    m_pPage->ExchangeData(false);
    EXPECT_FALSE(Tabs()->isTabVisible(0));
    EXPECT_TRUE(Tabs()->isTabVisible(2));
    EXPECT_EQ(Tabs()->currentIndex(), 2);
    // The hidden contacts list lets go of its rows.
    EXPECT_EQ(List("lvAddr")->model()->rowCount(), 0);
    EXPECT_EQ(Tabs()->tabText(2), QStringLiteral("Tasks (2 Dups)"));
    EXPECT_EQ(Label("lblTaskCount"), QStringLiteral("3 Task records in total"));
}

TEST_F(ReviewPageTest, LeavingMarksTicksAndKeepsUntickedRowsListedWithoutSelection)
{
    FillContacts();
    m_pPage->ExchangeData(false);
    Tick(List("lvAddr"), 1, false);
    EXPECT_TRUE(m_pPage->ExchangeData(true));

    const auto listed = ListRecords<SGAddrRecord>(WorkSet.pAddrDups);
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[0]->dwFlags, REC_DUPLICATE | REC_SELECTED);
    EXPECT_EQ(listed[1]->dwFlags, REC_DUPLICATE);
    EXPECT_EQ(listed[2]->dwFlags, REC_DUPLICATE | REC_SELECTED);
    EXPECT_EQ(WorkSet.pAddrUtil->GetRecord(1)->dwFlags, 0u);
}

TEST_F(ReviewPageTest, LoadAllListsEveryRecordUntickedAndATickedOneJoinsTheList)
{
    FillContacts();
    m_pPage->ExchangeData(false);
    Box("cbAddrAll")->setChecked(true);

    QTreeView* pList = List("lvAddr");
    const QStringList rows = Rows(pList, kAddrCells);
    ASSERT_EQ(rows.size(), 6);
    EXPECT_EQ(rows[5], QStringLiteral("[ ] Cy|Doe|cy@x.org||"));
    EXPECT_TRUE(rows.filter(QStringLiteral("[x]")).isEmpty());
    EXPECT_EQ(Tabs()->tabText(0), QStringLiteral("Contacts (3 Dups)"));

    Tick(pList, 5, true);
    Tick(pList, 0, true);
    m_pPage->ExchangeData(true);
    const auto listed = ListRecords<SGAddrRecord>(WorkSet.pAddrDups);
    ASSERT_EQ(listed.size(), 4u);
    EXPECT_EQ(listed[3], WorkSet.pAddrUtil->GetRecord(5));
    EXPECT_EQ(listed[3]->dwFlags, REC_SELECTED);
    // A duplicate shown unticked in this view is not selected, and not listed twice.
    EXPECT_EQ(listed[0]->dwFlags, REC_DUPLICATE | REC_SELECTED);
    EXPECT_EQ(listed[1]->dwFlags, REC_DUPLICATE);

    // Back to the duplicates view: ticked again, the user's ticks gone.
    Box("cbAddrAll")->setChecked(false);
    EXPECT_EQ(Rows(pList).filter(QStringLiteral("[x]")).size(), 4);
}

TEST_F(ReviewPageTest, ATickedRowSaysWhereItIsMergedWhileAMergeOptionIsOn)
{
    FillContacts();
    for (uint32_t i = 0; i < 6; ++i)
        CopyText(WorkSet.pAddrUtil->GetRecord(i)->szId, ("id-" + std::to_string(i)).c_str());
    m_pPage->ExchangeData(false);
    QTreeView* pList = List("lvAddr");
    const auto tip = [pList](int nRow) { return pList->model()->index(nRow, 0).data(Qt::ToolTipRole).toString(); };
    EXPECT_EQ(tip(0), QStringLiteral("Ann"));

    AppSettings.MergeFillEmpty = true;
    EXPECT_EQ(tip(0), QStringLiteral("Ann\nMerged into: Ann Lee <ann@x.org>"));
    EXPECT_EQ(tip(2), QStringLiteral("Bob\nMerged into: Bob Ray <bob@x.org>"));
    Tick(pList, 2, false);
    EXPECT_EQ(tip(2), QStringLiteral("Bob"));

    // With the record kept ticked as well, nothing stays to merge into.
    Box("cbAddrAll")->setChecked(true);
    Tick(pList, 0, true);
    EXPECT_EQ(tip(0), QStringLiteral("Ann\nMerged into: Ann Lee <ann@x.org>"));
    Tick(pList, 1, true);
    EXPECT_EQ(tip(0), QStringLiteral("Ann\nDeleted without merging: no record it duplicates stays."));
    EXPECT_EQ(tip(5), QStringLiteral("Cy"));
}

TEST_F(ReviewPageTest, SelectAllAsksFirstOnlyWhenEveryRecordIsListed)
{
    FillContacts();
    m_pPage->ExchangeData(false);
    QTreeView* pList = List("lvAddr");

    Click("btnClear");
    EXPECT_TRUE(Rows(pList).filter(QStringLiteral("[x]")).isEmpty());
    // The duplicates alone: no question.
    Click("btnSelAll");
    EXPECT_EQ(Rows(pList).filter(QStringLiteral("[x]")).size(), 3);

    Box("cbAddrAll")->setChecked(true);
    MessageBox::Expect(MessageBox::Kind::Confirmation, kSelectAllQuestion, MessageBox::Answer::No);
    Click("btnSelAll");
    MessageBox::Expect(MessageBox::Kind::Confirmation, kSelectAllQuestion, MessageBox::Answer::Cancel);
    Click("btnSelAll");
    EXPECT_TRUE(Rows(pList).filter(QStringLiteral("[x]")).isEmpty());

    MessageBox::Expect(MessageBox::Kind::Confirmation, kSelectAllQuestion, MessageBox::Answer::Yes);
    Click("btnSelAll");
    EXPECT_EQ(Rows(pList).filter(QStringLiteral("[x]")).size(), 6);
}

TEST_F(ReviewPageTest, OptionsOkRunsDetectionAgainCancelKeepsTheTicks)
{
    Fill(WorkSet.pAddrUtil, {Addr("ann", "lee", "a@x", 1), Addr("Ann", "Lee", "a@x", 2), Addr("Bob", "Ray", "b@x", 1),
                             Addr("Bob", "Ray", "b@x", 2)});
    m_pPage->ExchangeData(false);
    QTreeView* pList = List("lvAddr");
    Tick(pList, 0, false);

    WhenModal(QStringLiteral("TfmDupOption"), [](QWidget* pDialog) {
        Find<QCheckBox>(pDialog, "cbCase")->setChecked(true);
        QTest::mouseClick(Find<QPushButton>(pDialog, "btnCancel"), Qt::LeftButton);
    });
    Click("btnOption");
    EXPECT_FALSE(AppSettings.CaseSensitive);
    EXPECT_EQ(Rows(pList, kAddrCells),
              (QStringList{QStringLiteral("[ ] ann|lee|a@x||"), QStringLiteral("[x] Bob|Ray|b@x||")}));

    // Case now counts: the first pair is no longer one, and the view is the duplicates view again.
    Box("cbAddrAll")->setChecked(true);
    WhenModal(QStringLiteral("TfmDupOption"), [](QWidget* pDialog) {
        Find<QCheckBox>(pDialog, "cbCase")->setChecked(true);
        QTest::mouseClick(Find<QPushButton>(pDialog, "btnOK"), Qt::LeftButton);
    });
    Click("btnOption");
    EXPECT_TRUE(AppSettings.CaseSensitive);
    EXPECT_FALSE(Box("cbAddrAll")->isChecked());
    EXPECT_EQ(Rows(pList, kAddrCells), QStringList{QStringLiteral("[x] Bob|Ray|b@x||")});
    EXPECT_EQ(Tabs()->tabText(0), QStringLiteral("Contacts (1 Dup)"));
    EXPECT_EQ(WorkSet.pAddrUtil->GetRecord(0)->dwFlags, 0u);
}

TEST_F(ReviewPageTest, CalendarTimesTaskDatesAndNotesShowTheirOwnCells)
{
    AppSettings.AppFlag = DataKind::Calendar | DataKind::Tasks | DataKind::Notes;
    Fill(WorkSet.pDateUtil, {Event("Review", kMarch5At1430, 0, 1), Event("Review", kMarch5At1430, kMarch5At160015, 2),
                             Event("Review", kMarch5At1430, 0, 0)});
    Fill(WorkSet.pTaskUtil, {Task("Call", "High", 40363, 1), Task("Call", "High", 0, 2), Task("Call", "", 53114, 0)});
    Fill(WorkSet.pNoteUtil, std::vector<SGNoteRecord>(2));
    m_pPage->ExchangeData(false);

    EXPECT_EQ(Tabs()->currentIndex(), 1);
    EXPECT_EQ(Rows(List("lvDate"), kDateCells),
              (QStringList{QStringLiteral("[x] Review|14:30:00|N/A||"), QStringLiteral("[x] Review|14:30:00|N/A||")}));
    // A due date past 2030 has no text; a missing one reads N/A.
    EXPECT_EQ(Rows(List("lvTask"), kTaskCells),
              (QStringList{QStringLiteral("[x] Call|High|07/04/2010|"), QStringLiteral("[x] Call|||")}));
    EXPECT_EQ(Rows(List("lvNote")), QStringList{QStringLiteral("[x] Note Text")});
    EXPECT_EQ(Tabs()->tabText(3), QStringLiteral("Notes (1 Dup)"));
    EXPECT_EQ(Label("lblNoteCount"), QStringLiteral("2 Note records in total"));
    EXPECT_EQ(Label("lblDateCount"), QStringLiteral("3 Calendar records in total"));

    Box("cbDateAll")->setChecked(true);
    EXPECT_EQ(Rows(List("lvDate"), kDateCells)[1], QStringLiteral("[ ] Review|14:30:00|16:00:15||"));
    const QHeaderView* pHeader = List("lvTask")->header();
    EXPECT_EQ(pHeader->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Importance"));
    EXPECT_EQ(pHeader->sectionSize(3), 240);
}

} // namespace
