// SPDX-License-Identifier: MIT
#include "GuiTestSupport.h"

#include "gui/TfmDebug.h"
#include "gui/TfmDump.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace
{

using DebugDialogsTest = GuiTest;

TEST_F(DebugDialogsTest, TroubleshootingAtFirstStartShowsTheLogOffAtCritical)
{
    TfmDebug dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Veltrane Debug Log Options"));
    EXPECT_FALSE(Find<QCheckBox>(&dialog, "cbEnable")->isChecked());
    auto* pLevel = Find<QComboBox>(&dialog, "cbxLevel");
    ASSERT_EQ(pLevel->count(), 3);
    EXPECT_EQ(pLevel->itemText(0), QStringLiteral("Critical - Only log critical error information."));
    EXPECT_EQ(pLevel->itemText(1), QStringLiteral("High - Log high level debug information."));
    EXPECT_EQ(pLevel->itemText(2), QStringLiteral("Low - Log very detail debug information."));
    EXPECT_EQ(pLevel->currentIndex(), 0);
    EXPECT_EQ(Find<QLineEdit>(&dialog, "edtFolder")->text().toStdString(), DataFolder());
    EXPECT_EQ(Find<QLineEdit>(&dialog, "edtFile")->text().toStdString(), DataFolder() + "appdebug.log");
    EXPECT_TRUE(Find<QLineEdit>(&dialog, "edtFile")->isReadOnly());
}

TEST_F(DebugDialogsTest, LevelsMapBetweenListPositionsAndLogLevels)
{
    const struct
    {
        int nStored;
        int nShown;
    } shown[] = {{0, 0}, {1, 1}, {2, 2}, {3, 2}, {7, 2}, {-1, 2}};
    for (const auto& c : shown) {
        AppSettings.DebugLevel = c.nStored;
        TfmDebug dialog;
        EXPECT_EQ(Find<QComboBox>(&dialog, "cbxLevel")->currentIndex(), c.nShown) << c.nStored;
    }

    const int kTaken[] = {LOG_CRITICAL, LOG_HIGH, LOG_LOW};
    for (int nPosition = 0; nPosition < 3; ++nPosition) {
        TfmDebug dialog;
        dialog.show();
        const bool bEnable = nPosition != 1;
        Find<QCheckBox>(&dialog, "cbEnable")->setChecked(bEnable);
        Find<QComboBox>(&dialog, "cbxLevel")->setCurrentIndex(nPosition);
        QTest::mouseClick(Find<QPushButton>(&dialog, "btnOK"), Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(AppSettings.DebugLevel, kTaken[nPosition]);
        EXPECT_EQ(AppSettings.DebugEnabled, bEnable);
        // The log itself follows at once.
        EXPECT_EQ(DebugLog.GetLogLevel(), kTaken[nPosition]);
        EXPECT_EQ(DebugLog.IsEnabled(), bEnable);
    }
}

TEST_F(DebugDialogsTest, CancelKeepsTheOldSwitchAndLevel)
{
    AppSettings.DebugLevel = LOG_HIGH;
    DebugLog.SetLogLevel(LOG_HIGH);
    TfmDebug dialog;
    dialog.show();
    Find<QCheckBox>(&dialog, "cbEnable")->setChecked(true);
    Find<QComboBox>(&dialog, "cbxLevel")->setCurrentIndex(2);
    QTest::mouseClick(Find<QPushButton>(&dialog, "btnCancel"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(AppSettings.DebugEnabled);
    EXPECT_EQ(AppSettings.DebugLevel, LOG_HIGH);
    EXPECT_FALSE(DebugLog.IsEnabled());
    EXPECT_EQ(DebugLog.GetLogLevel(), LOG_HIGH);
}

TEST_F(DebugDialogsTest, LogButtonsOpenFolderAndFileOrSayTheFileIsMissing)
{
    TfmDebug dialog;
    dialog.show();
    MessageBox::Expect(MessageBox::Kind::Info, QStringLiteral("Debug log file doesn't exist"));
    QTest::mouseClick(Find<QPushButton>(&dialog, "btnFile"), Qt::LeftButton);
    EXPECT_EQ(MessageBox::LastOwner(), &dialog);
    EXPECT_TRUE(OpenedTargets().empty());

    WriteText(DataFolder() + "appdebug.log", "line\r\n");
    QTest::mouseClick(Find<QPushButton>(&dialog, "btnFile"), Qt::LeftButton);
    QTest::mouseClick(Find<QPushButton>(&dialog, "btnFolder"), Qt::LeftButton);
    ASSERT_EQ(OpenedTargets().size(), 2u);
    EXPECT_EQ(OpenedTargets()[0], DataFolder() + "appdebug.log");
    EXPECT_EQ(OpenedTargets()[1], DataFolder());
}

TEST_F(DebugDialogsTest, WithoutADataFolderTheLogBoxesStayEmptyAndDisabled)
{
    WriteText(m_dir.file("plain-file"), "");
    plat::SetAppDataRootForTesting(m_dir.file("plain-file"));
    TfmDump report;
    for (const char* szButton : {"btnFolder", "btnFile"})
        EXPECT_FALSE(Find<QPushButton>(&report, szButton)->isEnabled()) << szButton;
    EXPECT_TRUE(Find<QLineEdit>(&report, "edtFolder")->text().isEmpty());
    EXPECT_TRUE(Find<QLineEdit>(&report, "edtFile")->text().isEmpty());
}

TEST_F(DebugDialogsTest, ProblemReportMailsSupportWithTheBugReportSubject)
{
    TfmDump report;
    report.show();
    EXPECT_EQ(report.windowTitle(), QStringLiteral("Handle Veltrane Exception"));
    QStringList texts;
    for (const QLabel* pLabel : report.findChildren<QLabel*>())
        texts << pLabel->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("We're sorry that an unhandled exception occurred  in Veltrane.")));
    EXPECT_TRUE(texts.contains(QStringLiteral("It is very appreciated if you can include the debug information in "
                                              "your error report.")));

    auto* pSupport = Find<QLabel>(&report, "lblSupport");
    EXPECT_EQ(pSupport->text(), QStringLiteral("support@quorvel.com"));
    QTest::mouseClick(pSupport, Qt::LeftButton);
    ASSERT_EQ(OpenedTargets().size(), 1u);
    EXPECT_EQ(OpenedTargets()[0], "mailto:support@quorvel.com?subject=Veltrane%20Bug%20Report");
}

TEST_F(DebugDialogsTest, QuitClosesTheReportAndThenTheMainWindow)
{
    QWidget mainWindow;
    mainWindow.show();
    bool bDebugOpened = false;
    WhenModal(QStringLiteral("TfmDump"), [&bDebugOpened](QWidget* pReport) {
        // The troubleshooting dialog opens over the report first, then the user quits.
        WhenModal(QStringLiteral("TfmDebug"), [&bDebugOpened, pReport](QWidget* pDebug) {
            bDebugOpened = true;
            QTest::mouseClick(Find<QPushButton>(pDebug, "btnCancel"), Qt::LeftButton);
            QTimer::singleShot(0,
                               [pReport] { QTest::mouseClick(Find<QPushButton>(pReport, "btnExit"), Qt::LeftButton); });
        });
        QTest::mouseClick(Find<QPushButton>(pReport, "btnDebug"), Qt::LeftButton);
    });
    ShowProblemReport(&mainWindow);

    EXPECT_TRUE(bDebugOpened);
    QCoreApplication::processEvents();
    EXPECT_TRUE(QApplication::activeModalWidget() == nullptr);
    EXPECT_FALSE(mainWindow.isVisible());
}

} // namespace
