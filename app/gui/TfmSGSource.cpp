// SPDX-License-Identifier: MIT
#include "gui/TfmSGSource.h"

#include "gui/AnsiText.h"
#include "gui/BlockingWork.h"

#include "core/AppSettings.h"
#include "core/WorkSet.h"
#include "gui/DialogParts.h"
#include "gui/MessageBox.h"
#include "gui/TfmDump.h"
#include "gui/TfmDupOption.h"
#include "gui/TfmMain.h"
#include "misc/CxCommWaitWindow.h"
#include "misc/TextUtil.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace
{

// Takes the edit's text into a fixed field, cut at the field's width on a character boundary.
template <std::size_t N> void TakeText(char (&field)[N], const QLineEdit* pEdit)
{
    CopyText(field, ToAnsi(pEdit->text(), N - 1).c_str());
}

} // namespace

TfmSGSource::TfmSGSource(TfmMain& mainWindow, QWidget* pParent) : TfmPage(pParent), m_main(mainWindow)
{
    setObjectName(QStringLiteral("TfmSGSource"));

    m_pHostName = Named(new QLineEdit(this), "edtHostName");
    m_pUserName = Named(new QLineEdit(this), "edtUserName");
    m_pPassword = Named(new QLineEdit(this), "edtPassword");
    m_pPassword->setEchoMode(QLineEdit::Password);
    m_pSaveUser = Named(new QCheckBox(QStringLiteral("Remember User Name"), this), "cbSaveUser");
    m_pSavePassword = Named(new QCheckBox(QStringLiteral("Remember Password"), this), "cbSavePassword");

    auto* pLogin = new QGroupBox(QStringLiteral(" SugarCRM Login Settings "), this);
    auto* pFields = new QFormLayout;
    pFields->setHorizontalSpacing(12);
    pFields->addRow(QStringLiteral("SugarCRM Server URL:"), m_pHostName);
    pFields->addRow(QStringLiteral("User:"), m_pUserName);
    pFields->addRow(QStringLiteral("Password:"), m_pPassword);
    auto* pRemember = new QHBoxLayout;
    pRemember->addWidget(m_pSaveUser);
    pRemember->addSpacing(24);
    pRemember->addWidget(m_pSavePassword);
    pRemember->addStretch();
    pFields->addRow(QString(), pRemember);
    pLogin->setLayout(pFields);

    m_pAddr = Named(new QRadioButton(QStringLiteral("Contacts"), this), "rbtnAddr");
    m_pDate = Named(new QRadioButton(QStringLiteral("Calendar Events"), this), "rbtnDate");
    m_pTask = Named(new QRadioButton(QStringLiteral("Tasks"), this), "rbtnTask");
    auto* pKinds = new QButtonGroup(this);
    pKinds->addButton(m_pAddr);
    pKinds->addButton(m_pDate);
    pKinds->addButton(m_pTask);
    auto* pRules = Named(new QPushButton(QStringLiteral("Set Duplicates Checking Rules"), this), "btnDupOption");
    m_pAddrContact = Named(new QCheckBox(QStringLiteral("Contact"), this), "cbAddrContact");
    m_pAddrAccount = Named(new QCheckBox(QStringLiteral("Account"), this), "cbAddrAccount");
    m_pAddrLead = Named(new QCheckBox(QStringLiteral("Lead"), this), "cbAddrLead");

    auto* pData = new QGroupBox(QStringLiteral(" Choose Which Type of Data to Delete Duplicates "), this);
    auto* pSources = new QHBoxLayout;
    pSources->setContentsMargins(24, 0, 0, 0);
    pSources->addWidget(new QLabel(QStringLiteral("Including:"), this));
    pSources->addWidget(m_pAddrContact);
    pSources->addWidget(m_pAddrAccount);
    pSources->addWidget(m_pAddrLead);
    pSources->addStretch();
    auto* pKindRow = new QHBoxLayout;
    pKindRow->addWidget(m_pAddr);
    pKindRow->addWidget(m_pDate);
    pKindRow->addWidget(m_pTask);
    pKindRow->addStretch();
    pKindRow->addWidget(pRules);
    auto* pDataColumn = new QVBoxLayout(pData);
    pDataColumn->addLayout(pKindRow);
    pDataColumn->addLayout(pSources);

    auto* pColumn = new QVBoxLayout(this);
    pColumn->setContentsMargins(0, 0, 0, 0);
    pColumn->setSpacing(16);
    pColumn->addWidget(pLogin);
    pColumn->addWidget(pData);
    pColumn->addStretch();

    QWidget* const tabOrder[] = {m_pHostName, m_pUserName, m_pPassword, m_pSaveUser,    m_pSavePassword, m_pAddr,
                                 m_pDate,     m_pTask,     pRules,      m_pAddrContact, m_pAddrAccount,  m_pAddrLead};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    // The sub-sources belong to contacts alone; the other kinds grey them but keep their ticks.
    connect(m_pAddr, &QRadioButton::toggled, this, [this](bool bChecked) {
        m_pAddrContact->setEnabled(bChecked);
        m_pAddrAccount->setEnabled(bChecked);
        m_pAddrLead->setEnabled(bChecked);
    });
    connect(pRules, &QPushButton::clicked, this, &TfmSGSource::ShowRules);
}

bool TfmSGSource::ExchangeData(bool bSave)
{
    if (bSave)
        return TakeInput() && LoadData();

    m_pHostName->setText(FromAnsi(AppSettings.HostName));
    m_pUserName->setText(FromAnsi(AppSettings.UserName));
    m_pPassword->setText(FromAnsi(AppSettings.Password));
    m_pSaveUser->setChecked(AppSettings.SaveUser);
    m_pSavePassword->setChecked(AppSettings.SavePassword);
    if (AppSettings.AppFlag == DataKind::Contacts)
        m_pAddr->setChecked(true);
    else if (AppSettings.AppFlag == DataKind::Calendar)
        m_pDate->setChecked(true);
    else
        m_pTask->setChecked(true);
    // Set here as well: a radio button that was already ticked sends no toggle.
    const bool bContacts = m_pAddr->isChecked();
    m_pAddrContact->setEnabled(bContacts);
    m_pAddrAccount->setEnabled(bContacts);
    m_pAddrLead->setEnabled(bContacts);
    m_pAddrContact->setChecked(AppSettings.AddrContact);
    m_pAddrAccount->setChecked(AppSettings.AddrAccount);
    m_pAddrLead->setChecked(AppSettings.AddrLead);
    // What the user types first goes where it is missing, not to a button.
    for (QLineEdit* pEdit : {m_pHostName, m_pUserName, m_pPassword}) {
        if (pEdit->text().isEmpty()) {
            pEdit->setFocus();
            break;
        }
    }
    return true;
}

void TfmSGSource::SetLoadForTesting(LoadFunc load)
{
    m_load = std::move(load);
}

// Each value is taken as soon as its own check has passed, so earlier values survive a later
// failure and reach the settings file at shutdown.
bool TfmSGSource::TakeInput()
{
    if (m_pUserName->text().isEmpty()) {
        MessageBox::ShowError(this, QStringLiteral("Invalid SugarCRM user name."));
        m_pUserName->setFocus();
        return false;
    }
    TakeText(AppSettings.UserName, m_pUserName);

    if (m_pPassword->text().isEmpty()) {
        MessageBox::ShowError(this, QStringLiteral("Invalid SugarCRM password."));
        m_pPassword->setFocus();
        return false;
    }
    TakeText(AppSettings.Password, m_pPassword);

    if (m_pHostName->text().isEmpty()) {
        MessageBox::ShowError(this, QStringLiteral("Invalid SugarCRM server URL."));
        m_pHostName->setFocus();
        return false;
    }
    TakeText(AppSettings.HostName, m_pHostName);

    AppSettings.SaveUser = m_pSaveUser->isChecked();
    AppSettings.SavePassword = m_pSavePassword->isChecked();
    if (m_pAddr->isChecked())
        AppSettings.AppFlag = DataKind::Contacts;
    else if (m_pDate->isChecked())
        AppSettings.AppFlag = DataKind::Calendar;
    else if (m_pTask->isChecked())
        AppSettings.AppFlag = DataKind::Tasks;
    AppSettings.AddrContact = m_pAddrContact->isChecked();
    AppSettings.AddrAccount = m_pAddrAccount->isChecked();
    AppSettings.AddrLead = m_pAddrLead->isChecked();

    if (AppSettings.AppFlag == DataKind::Contacts && !AppSettings.AddrContact && !AppSettings.AddrAccount &&
        !AppSettings.AddrLead) {
        MessageBox::ShowError(this, QStringLiteral("Please select at least one Contact source type, Contact, "
                                                   "Account or Lead."));
        m_pAddrContact->setFocus();
        return false;
    }
    return true;
}

bool TfmSGSource::LoadData()
{
    m_main.SetStepText("Loading SugarCRM information, please wait ...");
    bool bLoaded = false;
    bool bThrown = false;
    {
        const BlockingWork block(m_main);
        StartWaitWindow(m_main.NativeHandle());
        try {
            bLoaded = m_load ? m_load() : LoadSelectedData();
        } catch (...) {
            bThrown = true;
        }
        StopWaitWindow();
    }
    if (bLoaded)
        return true;

    // Nothing is loading any more; the header goes back to this step's own text.
    m_main.SetStepText(StepMachine::StepText(StepLogin));
    if (bThrown)
        ShowProblemReport(&m_main);
    else
        MessageBox::ShowInfo(this, LoadFailureMessage());
    return false;
}

QString TfmSGSource::LoadFailureMessage()
{
    QString text = QStringLiteral("Can not retrieve your SugarCRM information. Please make sure that you entered the "
                                  "correct SugarCRM access settings.");
    // The helpers' own words tell whether the address, the password or the server is at fault.
    const std::string& reason = LoadFailureReason();
    if (!reason.empty())
        text += QStringLiteral("\n\n") + FromAnsi(reason.c_str());
    return text;
}

void TfmSGSource::ShowRules()
{
    TfmDupOption dialog(this);
    dialog.ExchangeData(false);
    dialog.exec();
}
