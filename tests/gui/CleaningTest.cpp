// SPDX-License-Identifier: MIT
// Whole cleanings through the real pages, with the stand-in helper in place of the real ones.
#include "GuiTestSupport.h"
#include "PageFixture.h"
#include "RealPagesFixture.h"

#include "SugarCRM/ParamFileReader.h"
#include "gui/TfmDebug.h"
#include "gui/TfmMain.h"
#include "gui/TfmSGClean.h"
#include "gui/TfmSGData.h"
#include "gui/TfmSGSource.h"
#include "unit/StandinSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <memory>

namespace
{

int Count(const std::string& text, const std::string& part)
{
    int nCount = 0;
    for (std::size_t pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + part.size()))
        ++nCount;
    return nCount;
}

class CleaningTest : public RealPagesTest
{
protected:
    // The helper's load copies these contacts into its data file; later runs only record themselves.
    void LoginAndLoad(const std::vector<SGAddrRecord>& contacts)
    {
        const std::string prepared = m_dir.path() + "prepared.dat";
        ASSERT_TRUE(WriteRecords<SGAddrKind>(prepared, contacts));
        WriteStandinScript(DataFolder(), "Addr", "record\ncopy-data " + prepared + "\n");
        Get<QLineEdit>("edtHostName")->setText(QStringLiteral("http://crm.example"));
        Get<QLineEdit>("edtUserName")->setText(QStringLiteral("admin"));
        Get<QLineEdit>("edtPassword")->setText(QStringLiteral("secret"));
        ClickNext();
        ASSERT_EQ(m_pMain->Step(), StepReview);
        ASSERT_TRUE(JoinWaitThread(5000));
        WriteStandinScript(DataFolder(), "Addr", "record\n");
    }

    std::string HelperOperation()
    {
        ParamFileReader params;
        std::string operation;
        if (params.Load((DataFolder() + "SGAddrParamCopy.dat").c_str()))
            params.GetText(1005, operation);
        return operation;
    }
};

TEST_F(CleaningTest, TickedDuplicatesAreDeletedAndTheUntickedOneStays)
{
    LoginAndLoad({Addr("Ann", "Lee", "ann@x.org", 100), Addr("Ann", "Lee", "ann@x.org", 300),
                  Addr("Ann", "Lee", "ann@x.org", 200), Addr("Bob", "Ray", "bob@x.org", 100),
                  Addr("Bob", "Ray", "bob@x.org", 50), Addr("Cy", "Doe", "cy@x.org", 10)});
    EXPECT_EQ(HelperOperation(), "1");
    EXPECT_EQ(Get<QTabWidget>("pData")->tabText(0), QStringLiteral("Contacts (3 Dups)"));
    auto* pList = Get<QTreeView>("lvAddr");
    EXPECT_EQ(Rows(pList, kAddrCells),
              (QStringList{QStringLiteral("[x] Ann|Lee|ann@x.org||"), QStringLiteral("[x] Ann|Lee|ann@x.org||"),
                           QStringLiteral("[x] Bob|Ray|bob@x.org||")}));
    // Keep the second Ann (the one modified at 200).
    Tick(pList, 1, false);

    DeleteTicked();
    const std::string memo = Memo();
    EXPECT_EQ(Count(memo, "Deleting contact item ...\n"), 2);
    EXPECT_EQ(Count(memo, "Deletion succeeded.\n"), 2);
    EXPECT_EQ(Count(memo, "\tFirst Name: Ann\n"), 1);
    EXPECT_EQ(Count(memo, "\tFirst Name: Bob\n"), 1);
    EXPECT_NE(memo.find("\t2 duplicate contact items deleted.\n\t0 duplicate calendar items deleted."),
              std::string::npos);
    EXPECT_EQ(Get<QProgressBar>("pbDel")->value(), 100);
    EXPECT_FALSE(Get<QPushButton>("btnNext")->isEnabled());
    EXPECT_TRUE(m_pMain->isEnabled());

    EXPECT_EQ(HelperOperation(), "2");
    const auto written = ReadRecords<SGAddrKind>(DataFolder() + "SGAddr.dat");
    ASSERT_EQ(written.size(), 6u);
    std::vector<int> statuses;
    for (const SGAddrRecord& record : written)
        statuses.push_back(record.nStatus);
    EXPECT_EQ(statuses, (std::vector<int>{SGSTATUS_DELETE, 0, 0, 0, SGSTATUS_DELETE, 0}));
}

TEST_F(CleaningTest, NoDuplicatesLeadToARunWithNothingDeletedAndNoSubmission)
{
    LoginAndLoad({Addr("Ann", "Lee", "ann@x.org", 1), Addr("Bob", "Ray", "bob@x.org", 1)});
    EXPECT_EQ(Get<QTabWidget>("pData")->tabText(0), QStringLiteral("Contacts (0 Dup)"));
    EXPECT_EQ(Get<QLabel>("lblAddrCount")->text(), QStringLiteral("2 Contact records in total"));

    DeleteTicked();
    EXPECT_EQ(Memo().find("Deleting contact item"), std::string::npos);
    EXPECT_NE(Memo().find("\t0 duplicate contact items deleted."), std::string::npos);
    EXPECT_EQ(HelperOperation(), "1");
}

TEST_F(CleaningTest, ARecordTickedUnderLoadAllIsDeletedToo)
{
    LoginAndLoad({Addr("Ann", "Lee", "ann@x.org", 1), Addr("Bob", "Ray", "bob@x.org", 1)});
    Get<QCheckBox>("cbAddrAll")->setChecked(true);
    Tick(Get<QTreeView>("lvAddr"), 1, true);

    DeleteTicked();
    EXPECT_NE(Memo().find("\tFirst Name: Bob\n\tLast Name: Ray\n"), std::string::npos);
    EXPECT_EQ(HelperOperation(), "2");
    const auto written = ReadRecords<SGAddrKind>(DataFolder() + "SGAddr.dat");
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0].nStatus, 0);
    EXPECT_EQ(written[1].nStatus, SGSTATUS_DELETE);
}

} // namespace

TEST_F(CleaningTest, RestartBeforeTheTimerFiresDeletesNothing)
{
    LoginAndLoad({Addr("Ann", "Lee", "ann@x.org", 1), Addr("Ann", "Lee", "ann@x.org", 2)});
    ClickNext();
    ASSERT_EQ(m_pMain->Step(), StepDelete);
    auto* pTimer = m_pClean->findChild<QTimer*>(QStringLiteral("tmStart"));
    ASSERT_TRUE(pTimer->isActive());

    QTest::mouseClick(Get<QPushButton>("btnPrev"), Qt::LeftButton);
    ASSERT_EQ(m_pMain->Step(), StepLogin);
    EXPECT_FALSE(pTimer->isActive());
    QTest::qWait(50);
    EXPECT_EQ(Memo().find("Deleting contact item"), std::string::npos);
    EXPECT_EQ(HelperOperation(), "1");
    for (const SGAddrRecord& record : ReadRecords<SGAddrKind>(DataFolder() + "SGAddr.dat"))
        EXPECT_EQ(record.nStatus, 0);
}

TEST_F(CleaningTest, RestartAndANewLoadListOnlyTheNewResult)
{
    LoginAndLoad({Addr("Ann", "Lee", "ann@x.org", 1), Addr("Ann", "Lee", "ann@x.org", 2)});
    EXPECT_EQ(Get<QTabWidget>("pData")->tabText(0), QStringLiteral("Contacts (1 Dup)"));
    ClickNext();
    QTest::mouseClick(Get<QPushButton>("btnPrev"), Qt::LeftButton);
    ASSERT_EQ(m_pMain->Step(), StepLogin);
    EXPECT_EQ(Get<QLineEdit>("edtHostName")->text(), QStringLiteral("http://crm.example"));

    LoginAndLoad(
        {Addr("Bob", "Ray", "bob@x.org", 1), Addr("Bob", "Ray", "bob@x.org", 3), Addr("Bob", "Ray", "bob@x.org", 2)});
    EXPECT_EQ(Get<QTabWidget>("pData")->tabText(0), QStringLiteral("Contacts (2 Dups)"));
    EXPECT_EQ(Rows(Get<QTreeView>("lvAddr"), kAddrCells),
              (QStringList{QStringLiteral("[x] Bob|Ray|bob@x.org||"), QStringLiteral("[x] Bob|Ray|bob@x.org||")}));
}

TEST_F(CleaningTest, LowLevelSwitchedOnInTroubleshootingLogsTheNextLoadStepByStep)
{
    const std::string logFile = DataFolder() + "appdebug.log";
    LoginAndLoad({Addr("Ann", "Lee", "ann@x.org", 1)});
    EXPECT_EQ(ReadText(logFile).find("Start loading SugarCRM Contacts."), std::string::npos);
    QTest::mouseClick(Get<QPushButton>("btnPrev"), Qt::LeftButton);

    TfmDebug dialog;
    dialog.show();
    Find<QCheckBox>(&dialog, "cbEnable")->setChecked(true);
    Find<QComboBox>(&dialog, "cbxLevel")->setCurrentIndex(2);
    QTest::mouseClick(Find<QPushButton>(&dialog, "btnOK"), Qt::LeftButton);

    LoginAndLoad({Addr("Ann", "Lee", "ann@x.org", 1)});
    const std::string log = ReadText(logFile);
    EXPECT_NE(log.find("] - Start loading SugarCRM Contacts.\r\n"), std::string::npos);
    EXPECT_NE(log.find("] - Executing command: \"Quorvel.SGAddrUtil.exe\""), std::string::npos);
    ParamFileReader params;
    ASSERT_TRUE(params.Load((DataFolder() + "SGAddrParamCopy.dat").c_str()));
    std::string level;
    std::string enabled;
    params.GetText(1010, level);
    params.GetText(1011, enabled);
    EXPECT_EQ(level, "3");
    EXPECT_EQ(enabled, "1");
}
