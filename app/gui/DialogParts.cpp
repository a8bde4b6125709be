// SPDX-License-Identifier: MIT
#include "gui/DialogParts.h"

#include "gui/HeaderBand.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

QPushButton* MakeButton(const char* szObjectName, const QString& caption, QWidget* pParent)
{
    auto* pButton = new QPushButton(caption, pParent);
    pButton->setObjectName(QString::fromLatin1(szObjectName));
    return pButton;
}

QHBoxLayout* MakeOkCancelRow(QWidget* pParent, QPushButton*& pOK, QPushButton*& pCancel)
{
    pOK = MakeButton("btnOK", QStringLiteral("&OK"), pParent);
    pOK->setDefault(true);
    pCancel = MakeButton("btnCancel", QStringLiteral("&Cancel"), pParent);
    auto* pRow = new QHBoxLayout;
    pRow->addStretch();
    pRow->addWidget(pOK);
    pRow->addWidget(pCancel);
    return pRow;
}

void LayOutUnderHeader(QWidget* pWindow, QLayout* pBody, int nBodyStretch)
{
    auto* pColumn = new QVBoxLayout(pWindow);
    pColumn->setContentsMargins(0, 0, 0, 0);
    pColumn->setSpacing(0);
    pColumn->addWidget(new HeaderBand(pWindow));
    pColumn->addLayout(pBody, nBodyStretch);
}
