// SPDX-License-Identifier: MIT
#include "gui/TfmDump.h"

#include "gui/ClickLabel.h"
#include "gui/DialogParts.h"
#include "gui/Links.h"
#include "gui/LogInfoGroup.h"
#include "gui/Skin.h"
#include "gui/TfmDebug.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TfmDump::TfmDump(QWidget* pOwner) : QDialog(pOwner), m_pMainWindow(pOwner != nullptr ? pOwner->window() : nullptr)
{
    setObjectName(QStringLiteral("TfmDump"));
    setWindowTitle(QStringLiteral("Handle Veltrane Exception"));

    auto* pSorry = new QLabel(QStringLiteral("We're sorry that an unhandled exception occurred  in Veltrane."), this);
    auto* pContact = new QLabel(QStringLiteral("Please contact us at:"), this);
    auto* pSupport = new ClickLabel(QString::fromLatin1(Links::kSupportMail), this);
    pSupport->setObjectName(QStringLiteral("lblSupport"));
    QFont link = pSupport->font();
    link.setUnderline(true);
    pSupport->setFont(link);
    QPalette linkColour = pSupport->palette();
    linkColour.setColor(QPalette::WindowText, Skin::kTitleBlue);
    pSupport->setPalette(linkColour);
    pSupport->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    auto* pLogInfo = new LogInfoGroup(this);
    auto* pPlease = new QLabel(QStringLiteral("It is very appreciated if you can include the debug information in "
                                              "your error report."),
                               pLogInfo);
    pPlease->setWordWrap(true);
    pLogInfo->Column()->insertWidget(0, pPlease);
    pLogInfo->Fill();

    auto* pDebug = MakeButton("btnDebug", QStringLiteral("&Debug Options"), this);
    auto* pOK = MakeButton("btnOK", QStringLiteral("&OK"), this);
    pOK->setDefault(true);
    auto* pExit = MakeButton("btnExit", QStringLiteral("Quit Veltrane"), this);
    auto* pButtons = new QHBoxLayout;
    pButtons->addWidget(pDebug);
    pButtons->addStretch();
    pButtons->addWidget(pOK);
    pButtons->addWidget(pExit);

    auto* pBody = new QVBoxLayout;
    pBody->setContentsMargins(14, 12, 14, 12);
    pBody->setSpacing(8);
    pBody->addWidget(pSorry);
    pBody->addWidget(pContact);
    pBody->addWidget(pSupport);
    pBody->addWidget(pLogInfo);
    pBody->addLayout(pButtons);

    LayOutUnderHeader(this, pBody);

    connect(pSupport, &ClickLabel::clicked, this, [] { Links::Open(Links::BugReportMailLink()); });
    connect(pDebug, &QPushButton::clicked, this, [this] { ShowTroubleshooting(m_pMainWindow.data()); });
    connect(pOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(pExit, &QPushButton::clicked, this, &TfmDump::Quit);

    setFixedSize(480, sizeHint().height());
    if (const QScreen* pScreen = screen())
        move(pScreen->availableGeometry().center() - rect().center());
}

void TfmDump::Quit()
{
    accept();
    // Posted rather than called, so the main window closes like after its own close box, from the
    // event loop and not from inside this dialog's handler.
    if (m_pMainWindow)
        QMetaObject::invokeMethod(m_pMainWindow.data(), &QWidget::close, Qt::QueuedConnection);
}

void ShowProblemReport(QWidget* pOwner)
{
    TfmDump dialog(pOwner);
    dialog.exec();
}
