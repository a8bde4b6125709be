// SPDX-License-Identifier: MIT
#include "WizardFixture.h"

#include "gui/TfmDebug.h"
#include "misc/TextUtil.h"
#include "misc/WinUtil.h"

#ifdef VELTRANE_HAVE_QTSVG
#include <QSvgRenderer>
#include <QSvgWidget>
#endif

namespace
{

using MainWindowTest = WizardTest;

TEST_F(MainWindowTest, StartsOnTheLoginPage)
{
    StartWizard();

    EXPECT_EQ(m_pMain->windowTitle(), QStringLiteral("Veltrane"));
    EXPECT_EQ(m_pMain->size(), QSize(794, 594));
    EXPECT_EQ(m_pMain->minimumSize(), m_pMain->maximumSize());
    EXPECT_EQ(Get<QLabel>("lblTitle")->text(), QStringLiteral("Veltrane"));
    EXPECT_EQ(Get<QLabel>("lblStep")->text(),
              QStringLiteral("Please select enter your SugarCRM data access information"));
#ifdef VELTRANE_HAVE_QTSVG
    EXPECT_TRUE(Get<QSvgWidget>("imgLogo")->renderer()->isValid());
#else
    EXPECT_FALSE(Get<QLabel>("imgLogo")->pixmap().isNull());
#endif
    // A widget that is not there fails this test alone, instead of a null pointer ending them all.
    EXPECT_THROW(Get<QLabel>("lblNoSuchLabel"), MissingWidget);

    EXPECT_TRUE(m_pLogin->isVisible());
    EXPECT_FALSE(m_pReview->isVisible());
    EXPECT_FALSE(m_pDelete->isVisible());

    EXPECT_EQ(Get<QPushButton>("btnHelp")->text(), QStringLiteral("&Help"));
    EXPECT_EQ(Get<QPushButton>("btnDebug")->text(), QStringLiteral("&Troubleshooting"));
    EXPECT_EQ(Get<QPushButton>("btnPrev")->text(), QStringLiteral("< &Prev"));
    EXPECT_FALSE(Get<QPushButton>("btnPrev")->isEnabled());
    EXPECT_EQ(Get<QPushButton>("btnNext")->text(), QStringLiteral("&Next  >"));
    EXPECT_TRUE(Get<QPushButton>("btnNext")->isEnabled());
    EXPECT_EQ(Get<QPushButton>("btnCancel")->text(), QStringLiteral("&Cancel"));

    // Entering the page filled it from the settings of a first start.
    EXPECT_TRUE(Get<QCheckBox>("cbSaveUser")->isChecked());
    EXPECT_FALSE(Get<QCheckBox>("cbSavePassword")->isChecked());
    EXPECT_TRUE(Get<QRadioButton>("rbtnAddr")->isChecked());
}

TEST_F(MainWindowTest, ButtonsFollowTheStepsThroughToRestart)
{
    StartWizard();
    FillLogin(QStringLiteral("http://crm"), QStringLiteral("admin"), QStringLiteral("pw"));

    ClickNext();
    ASSERT_EQ(m_pMain->Step(), StepReview);
    EXPECT_TRUE(m_pReview->isVisible());
    EXPECT_FALSE(m_pLogin->isVisible());
    EXPECT_TRUE(Get<QPushButton>("btnPrev")->isEnabled());
    EXPECT_EQ(Get<QLabel>("lblStep")->text(),
              QStringLiteral("Please select the duplicate items that you want to delete."));

    ClickNext();
    ASSERT_EQ(m_pMain->Step(), StepDelete);
    EXPECT_TRUE(m_pDelete->isVisible());
    EXPECT_FALSE(Get<QPushButton>("btnNext")->isEnabled());
    EXPECT_EQ(Get<QPushButton>("btnPrev")->text(), QStringLiteral("< &Restart"));
    EXPECT_EQ(Get<QPushButton>("btnCancel")->text(), QStringLiteral("&Finish"));
    EXPECT_EQ(Get<QLabel>("lblStep")->text(), QStringLiteral("Deleting duplicate items now."));

    QTest::mouseClick(Get<QPushButton>("btnPrev"), Qt::LeftButton);
    EXPECT_EQ(m_pMain->Step(), StepLogin);
    EXPECT_TRUE(m_pLogin->isVisible());
    EXPECT_EQ(Get<QPushButton>("btnPrev")->text(), QStringLiteral("< &Prev"));
    EXPECT_EQ(Get<QPushButton>("btnCancel")->text(), QStringLiteral("&Cancel"));
    EXPECT_EQ(Get<QLineEdit>("edtUserName")->text(), QStringLiteral("admin"));
    EXPECT_EQ(m_nLoads, 1);
}

TEST_F(MainWindowTest, HelpAndTitleOpenTheGuideAndTheHomePage)
{
    StartWizard();
    QTest::mouseClick(Get<QPushButton>("btnHelp"), Qt::LeftButton);
    QTest::mouseClick(Get<QLabel>("lblTitle"), Qt::LeftButton);
    // The logo is a picture only.
    QTest::mouseClick(Get<QWidget>("imgLogo"), Qt::LeftButton);

    char szOwnFolder[260] = {};
    ASSERT_TRUE(GetModuleFolder(nullptr, szOwnFolder));
    ASSERT_EQ(OpenedTargets().size(), 2u);
    EXPECT_EQ(OpenedTargets()[0], std::string(szOwnFolder) + "UserGuide.html");
    EXPECT_EQ(OpenedTargets()[1], "https://www.quorvel.com/veltrane");
}

TEST_F(MainWindowTest, TroubleshootingOpensModallyOverTheMainWindow)
{
    StartWizard();
    QWidget* pParent = nullptr;
    WhenModal(QStringLiteral("TfmDebug"), [&pParent](QWidget* pDialog) {
        pParent = pDialog->parentWidget();
        QTest::mouseClick(Find<QPushButton>(pDialog, "btnCancel"), Qt::LeftButton);
    });
    QTest::mouseClick(Get<QPushButton>("btnDebug"), Qt::LeftButton);
    EXPECT_EQ(pParent, m_pMain.get());
}

TEST_F(MainWindowTest, CancelClosesAndShutDownSavesThenFreesThePages)
{
    StartWizard();
    QTest::mouseClick(Get<QPushButton>("btnCancel"), Qt::LeftButton);
    EXPECT_FALSE(m_pMain->isVisible());

    CopyText(AppSettings.HostName, "http://saved");
    m_pMain->ShutDown();
    char szHost[64] = {};
    SettingsFile->ReadIniString("Veltrane", "HostName", szHost, sizeof szHost, "");
    EXPECT_STREQ(szHost, "http://saved");
    EXPECT_EQ(m_pMain->findChild<TfmSGSource*>(), nullptr);

    // Only once: a later change is not written by a second call.
    CopyText(AppSettings.HostName, "http://later");
    m_pMain->ShutDown();
    SettingsFile->ReadIniString("Veltrane", "HostName", szHost, sizeof szHost, "");
    EXPECT_STREQ(szHost, "http://saved");
}

} // namespace
