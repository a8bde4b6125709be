// SPDX-License-Identifier: MIT
#include "gui/TfmDebug.h"

#include "core/AppSettings.h"
#include "gui/DialogParts.h"
#include "gui/LogInfoGroup.h"
#include "misc/CxDebugUtil.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace
{

// The levels offered, by list position. Level 2 has no entry: it is the helpers' progress level,
// reached only through "Low".
struct LevelEntry
{
    const char* szText;
    int nLevel;
};

const LevelEntry kLevels[] = {
    {"Critical - Only log critical error information.", LOG_CRITICAL},
    {"High - Log high level debug information.", LOG_HIGH},
    {"Low - Log very detail debug information.", LOG_LOW},
};

} // namespace

TfmDebug::TfmDebug(QWidget* pParent) : QDialog(pParent)
{
    setObjectName(QStringLiteral("TfmDebug"));
    setWindowTitle(QStringLiteral("Veltrane Debug Log Options"));

    m_pEnable = new QCheckBox(QStringLiteral("Enable Debug Log"), this);
    m_pEnable->setObjectName(QStringLiteral("cbEnable"));
    m_pLevel = new QComboBox(this);
    m_pLevel->setObjectName(QStringLiteral("cbxLevel"));
    m_pLogInfo = new LogInfoGroup(this);

    auto* pLevelRow = new QHBoxLayout;
    pLevelRow->addWidget(new QLabel(QStringLiteral("Set Debug Level:"), this));
    pLevelRow->addWidget(m_pLevel, 1);

    QPushButton* pOK = nullptr;
    QPushButton* pCancel = nullptr;
    QHBoxLayout* pButtons = MakeOkCancelRow(this, pOK, pCancel);

    auto* pBody = new QVBoxLayout;
    pBody->setContentsMargins(14, 12, 14, 12);
    pBody->setSpacing(10);
    pBody->addWidget(m_pEnable);
    pBody->addLayout(pLevelRow);
    pBody->addWidget(m_pLogInfo);
    pBody->addLayout(pButtons);

    LayOutUnderHeader(this, pBody);

    connect(pOK, &QPushButton::clicked, this, [this] {
        if (ExchangeData(true))
            accept();
    });
    connect(pCancel, &QPushButton::clicked, this, &QDialog::reject);

    setFixedSize(480, sizeHint().height());
    if (const QScreen* pScreen = screen())
        move(pScreen->availableGeometry().center() - rect().center());
    ExchangeData(false);
}

bool TfmDebug::ExchangeData(bool bSave)
{
    if (bSave) {
        AppSettings.DebugEnabled = m_pEnable->isChecked();
        const int nPosition = m_pLevel->currentIndex();
        AppSettings.DebugLevel = nPosition >= 0 && nPosition < 2 ? kLevels[nPosition].nLevel : LOG_LOW;
        DebugLog.EnableLog(AppSettings.DebugEnabled);
        DebugLog.SetLogLevel(AppSettings.DebugLevel);
        return true;
    }

    m_pLogInfo->Fill();
    m_pEnable->setChecked(AppSettings.DebugEnabled);
    m_pLevel->clear();
    for (const LevelEntry& entry : kLevels)
        m_pLevel->addItem(QString::fromLatin1(entry.szText));
    m_pLevel->setCurrentIndex(AppSettings.DebugLevel == LOG_CRITICAL ? 0 : AppSettings.DebugLevel == LOG_HIGH ? 1 : 2);
    return true;
}

void ShowTroubleshooting(QWidget* pMainWindow)
{
    TfmDebug dialog(pMainWindow);
    dialog.exec();
}
