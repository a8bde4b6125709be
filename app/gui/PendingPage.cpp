// SPDX-License-Identifier: MIT
#include "gui/PendingPage.h"

#include <QLabel>
#include <QVBoxLayout>

PendingPage::PendingPage(const QString& name, QWidget* pParent) : TfmPage(pParent)
{
    setObjectName(name);
    auto* pNote = new QLabel(QStringLiteral("This page is not available in this build of Veltrane."), this);
    pNote->setAlignment(Qt::AlignCenter);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pNote);
}

bool PendingPage::ExchangeData(bool bSave)
{
    return !bSave;
}
