// SPDX-License-Identifier: MIT
#include "WizardFixture.h"
#include "core/WorkSet.h"
#include "platform/Platform.h"
#include "unit/StandinSupport.h"

#include <QCursor>
#include <QGuiApplication>
#include <QStyle>

#include <stdexcept>

namespace
{

const QString kLoadFailed = QStringLiteral("Can not retrieve your SugarCRM information. Please make sure that you "
                                           "entered the correct SugarCRM access settings.");

class LoginPageTest : public WizardTest
{
protected:
    void SetUp() override
    {
        WizardTest::SetUp();
        StartWizard();
    }

    void ExpectError(const char* szText) { MessageBox::Expect(MessageBox::Kind::Error, QString::fromLatin1(szText)); }

    // The control that has the keyboard focus in the main window.
    QWidget* Focused() { return m_pMain->focusWidget(); }
};

TEST_F(LoginPageTest, TypingStartsInTheFirstEmptyFieldAndPasswordsShowStars)
{
    // A first start: the server address comes first.
    EXPECT_EQ(Focused(), Get<QLineEdit>("edtHostName"));
    auto* pPassword = Get<QLineEdit>("edtPassword");
    EXPECT_EQ(pPassword->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, pPassword),
              static_cast<int>('*'));

    // Server and user remembered: the password is what is missing.
    CopyText(AppSettings.HostName, "http://crm");
    CopyText(AppSettings.UserName, "admin");
    m_pLogin->ExchangeData(false);
    EXPECT_EQ(Focused(), pPassword);
}

TEST_F(LoginPageTest, EmptyFieldsAreCheckedUserThenPasswordThenServer)
{
    // All three empty: only the first message, nothing taken, nothing loaded.
    ExpectError("Invalid SugarCRM user name.");
    ClickNext();
    EXPECT_EQ(Focused(), Get<QLineEdit>("edtUserName"));
    EXPECT_STREQ(AppSettings.UserName, "");

    // The user name is taken as soon as its check passes; the server URL, checked later, is not.
    FillLogin(QStringLiteral("http://crm"), QStringLiteral("admin"), QString());
    ExpectError("Invalid SugarCRM password.");
    ClickNext();
    EXPECT_EQ(Focused(), Get<QLineEdit>("edtPassword"));
    EXPECT_STREQ(AppSettings.UserName, "admin");
    EXPECT_STREQ(AppSettings.HostName, "");

    FillLogin(QString(), QStringLiteral("admin"), QStringLiteral("secret"));
    ExpectError("Invalid SugarCRM server URL.");
    ClickNext();
    EXPECT_EQ(Focused(), Get<QLineEdit>("edtHostName"));
    EXPECT_STREQ(AppSettings.Password, "secret");

    EXPECT_EQ(m_nLoads, 0);
    EXPECT_EQ(m_pMain->Step(), StepLogin);
    EXPECT_EQ(m_pReview->m_nEnters, 0);
}

TEST_F(LoginPageTest, ContactsNeedASubSourceOtherKindsDoNot)
{
    FillLogin(QStringLiteral("http://crm"), QStringLiteral("admin"), QStringLiteral("secret"));
    Get<QCheckBox>("cbSaveUser")->setChecked(false);
    Get<QCheckBox>("cbSavePassword")->setChecked(true);
    for (const char* szName : {"cbAddrContact", "cbAddrAccount", "cbAddrLead"})
        Get<QCheckBox>(szName)->setChecked(false);

    ExpectError("Please select at least one Contact source type, Contact, Account or Lead.");
    ClickNext();
    EXPECT_EQ(Focused(), Get<QCheckBox>("cbAddrContact"));
    EXPECT_EQ(m_nLoads, 0);
    // Everything before the last check is already taken.
    EXPECT_STREQ(AppSettings.HostName, "http://crm");
    EXPECT_FALSE(AppSettings.SaveUser);
    EXPECT_TRUE(AppSettings.SavePassword);
    EXPECT_EQ(AppSettings.AppFlag, DataKind::Contacts);
    EXPECT_FALSE(AppSettings.AddrContact);

    QTest::mouseClick(Get<QRadioButton>("rbtnDate"), Qt::LeftButton);
    ClickNext();
    EXPECT_EQ(m_nLoads, 1);
    EXPECT_EQ(m_pMain->Step(), StepReview);
    EXPECT_EQ(AppSettings.AppFlag, DataKind::Calendar);
}

TEST_F(LoginPageTest, KindShownFromSettingsGreysTheSubSourcesButKeepsTheirTicks)
{
    auto* pContact = Get<QCheckBox>("cbAddrContact");
    auto* pLead = Get<QCheckBox>("cbAddrLead");
    AppSettings.AppFlag = DataKind::Calendar;
    AppSettings.AddrLead = false;
    m_pLogin->ExchangeData(false);
    EXPECT_TRUE(Get<QRadioButton>("rbtnDate")->isChecked());
    EXPECT_FALSE(pContact->isEnabled());
    EXPECT_TRUE(pContact->isChecked());
    EXPECT_FALSE(pLead->isChecked());

    QTest::mouseClick(Get<QRadioButton>("rbtnAddr"), Qt::LeftButton);
    EXPECT_TRUE(pContact->isEnabled());
    EXPECT_TRUE(pContact->isChecked());
    QTest::mouseClick(Get<QRadioButton>("rbtnTask"), Qt::LeftButton);
    EXPECT_FALSE(pLead->isEnabled());

    // Notes, or several kinds, can only come from the file; the page shows Tasks and Next replaces
    // the value with the page's choice.
    AppSettings.AppFlag = DataKind::Notes | DataKind::Contacts;
    m_pLogin->ExchangeData(false);
    EXPECT_TRUE(Get<QRadioButton>("rbtnTask")->isChecked());
    FillLogin(QStringLiteral("http://crm"), QStringLiteral("admin"), QStringLiteral("secret"));
    ClickNext();
    EXPECT_EQ(AppSettings.AppFlag, DataKind::Tasks);
}

TEST_F(LoginPageTest, LongValuesAreCutToTheirFieldsAndAStoredPasswordIsUsedAsShown)
{
    CopyText(AppSettings.Password, "s3cr&t p");
    m_pLogin->ExchangeData(false);
    auto* pPassword = Get<QLineEdit>("edtPassword");
    EXPECT_EQ(pPassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(pPassword->text(), QStringLiteral("s3cr&t p"));

    Get<QLineEdit>("edtHostName")->setText(QString(300, QLatin1Char('h')));
    Get<QLineEdit>("edtUserName")->setText(QString(70, QLatin1Char('u')));
    std::string passwordAtLoad;
    m_load = [&passwordAtLoad] {
        passwordAtLoad = AppSettings.Password;
        return true;
    };
    ClickNext();
    EXPECT_EQ(passwordAtLoad, "s3cr&t p");
    EXPECT_EQ(std::string(AppSettings.HostName), std::string(255, 'h'));
    EXPECT_EQ(std::string(AppSettings.UserName), std::string(63, 'u'));
}

TEST_F(LoginPageTest, AccentedValuesTravelInTheSystemCodePageBothWays)
{
    // The helpers read the settings in the system's code page: a name typed as UTF-8 bytes would
    // sign in as somebody else on Windows.
    CopyText(AppSettings.Password, plat::WideToAnsi(u"m\u00FCnz\u20AC", 255).c_str());
    m_pLogin->ExchangeData(false);
    EXPECT_EQ(Get<QLineEdit>("edtPassword")->text(), QStringLiteral("m\u00FCnz\u20AC"));

    Get<QLineEdit>("edtHostName")->setText(QStringLiteral("http://crm"));
    Get<QLineEdit>("edtUserName")->setText(QString(70, QChar(0x00FC)));
    ClickNext();
    EXPECT_EQ(std::string(AppSettings.UserName), plat::WideToAnsi(std::u16string(70, u'\u00FC'), 63));
    EXPECT_EQ(std::string(AppSettings.Password), plat::WideToAnsi(u"m\u00FCnz\u20AC", 255));
}

TEST_F(LoginPageTest, LoadRunsUnderTheWaitWindowWithTheWindowHeld)
{
    FillLogin(QStringLiteral("http://crm"), QStringLiteral("admin"), QStringLiteral("secret"));
    QString header;
    bool bWindowEnabled = true;
    bool bWaitCursor = false;
    bool bWaitWindowRunning = false;
    m_load = [&] {
        header = Get<QLabel>("lblStep")->text();
        bWindowEnabled = m_pMain->isEnabled();
        bWaitCursor = QGuiApplication::overrideCursor() != nullptr &&
                      QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
        bWaitWindowRunning = CurrentWaitWindow.load() != nullptr;
        return false;
    };
    MessageBox::Expect(MessageBox::Kind::Info, kLoadFailed);
    ClickNext();

    EXPECT_EQ(header, QStringLiteral("Loading SugarCRM information, please wait ..."));
    EXPECT_FALSE(bWindowEnabled);
    EXPECT_TRUE(bWaitCursor);
    EXPECT_TRUE(bWaitWindowRunning);

    // After the failed load: still on this page, usable, and no longer saying it loads.
    EXPECT_EQ(m_pMain->Step(), StepLogin);
    EXPECT_EQ(m_pReview->m_nEnters, 0);
    EXPECT_TRUE(m_pMain->isEnabled());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(Get<QLabel>("lblStep")->text(),
              QStringLiteral("Please select enter your SugarCRM data access information"));
}

TEST_F(LoginPageTest, AFailedLoadSaysWhyBelowItsFixedMessage)
{
    FillLogin(QStringLiteral("http://crm"), QStringLiteral("admin"), QStringLiteral("wrong"));
    WriteStandinScript(DataFolder(), "Addr", "error The server refused the login: Invalid Login\nexit 1\n");
    m_load = [] { return LoadSelectedData(); };
    MessageBox::Expect(MessageBox::Kind::Info,
                       kLoadFailed + QStringLiteral("\n\nThe server refused the login: Invalid Login"));
    ClickNext();
    EXPECT_EQ(m_pMain->Step(), StepLogin);

    // A helper that never ran says so in the runner's words.
    WriteStandinScript(DataFolder(), "Addr", "crash\n");
#ifdef _WIN32
    const QString crash = QStringLiteral("access violation (exception 0xC0000005)");
#else
    const QString crash = QStringLiteral("Segmentation fault");
#endif
    MessageBox::Expect(MessageBox::Kind::Info,
                       kLoadFailed + QStringLiteral("\n\nQuorvel.SGAddrUtil.exe ended abnormally: ") + crash);
    ClickNext();
    EXPECT_EQ(m_pMain->Step(), StepLogin);
}

TEST_F(LoginPageTest, ExceptionInTheLoadShowsTheProblemReportInsteadOfAMessage)
{
    FillLogin(QStringLiteral("http://crm"), QStringLiteral("admin"), QStringLiteral("secret"));
    m_load = []() -> bool { throw std::runtime_error("broken"); };
    bool bReportShown = false;
    WhenModal(QStringLiteral("TfmDump"), [&bReportShown](QWidget* pDialog) {
        bReportShown = true;
        QTest::mouseClick(Find<QPushButton>(pDialog, "btnOK"), Qt::LeftButton);
    });
    ClickNext();

    EXPECT_TRUE(bReportShown);
    EXPECT_EQ(m_pMain->Step(), StepLogin);
    EXPECT_TRUE(m_pMain->isEnabled());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(LoginPageTest, RulesButtonOpensTheRulesFilledFromTheSettings)
{
    AppSettings.AddrPhone = true;
    bool bPhoneTicked = false;
    WhenModal(QStringLiteral("TfmDupOption"), [&bPhoneTicked](QWidget* pDialog) {
        bPhoneTicked = Find<QCheckBox>(pDialog, "cbAddrPhone")->isChecked();
        QTest::mouseClick(Find<QPushButton>(pDialog, "btnCancel"), Qt::LeftButton);
    });
    QTest::mouseClick(Get<QPushButton>("btnDupOption"), Qt::LeftButton);
    EXPECT_TRUE(bPhoneTicked);
}

} // namespace
