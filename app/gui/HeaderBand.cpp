// SPDX-License-Identifier: MIT
#include "gui/HeaderBand.h"

#include "gui/ClickLabel.h"
#include "gui/Links.h"
#include "gui/Skin.h"

#include <QHBoxLayout>
#include <QVBoxLayout>
#ifdef VELTRANE_HAVE_QTSVG
#include <QSvgWidget>
#else
#include <QLabel>
#include <QPixmap>
#endif

namespace
{
constexpr int kLogoSize = 48;
}

HeaderBand::HeaderBand(QWidget* pParent) : QWidget(pParent)
{
    setObjectName(QStringLiteral("HeaderBand"));
    setAutoFillBackground(true);
    QPalette band = palette();
    band.setColor(QPalette::Window, Skin::kHeaderBackground);
    setPalette(band);

#ifdef VELTRANE_HAVE_QTSVG
    auto* pLogo = new QSvgWidget(QStringLiteral(":/logo.svg"), this);
#else
    auto* pLogo = new QLabel(this);
    pLogo->setPixmap(QPixmap(QStringLiteral(":/logo.png")));
    pLogo->setScaledContents(true);
#endif
    pLogo->setObjectName(QStringLiteral("imgLogo"));
    pLogo->setFixedSize(kLogoSize, kLogoSize);
    // The picture is decoration; only the title opens the home page.
    pLogo->setEnabled(false);

    auto* pTitle = new ClickLabel(QStringLiteral("Veltrane"), this);
    pTitle->setObjectName(QStringLiteral("lblTitle"));
    pTitle->setFont(Skin::TitleFont());
    QPalette title = pTitle->palette();
    title.setColor(QPalette::WindowText, Skin::kTitleBlue);
    pTitle->setPalette(title);
    pTitle->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(pTitle, &ClickLabel::clicked, this, [] { Links::Open(QString::fromLatin1(Links::kHomePage)); });

    m_pTextColumn = new QVBoxLayout;
    m_pTextColumn->setSpacing(2);
    m_pTextColumn->addStretch();
    m_pTextColumn->addWidget(pTitle, 0, Qt::AlignLeft);
    m_pTextColumn->addStretch();

    auto* pRow = new QHBoxLayout(this);
    pRow->setContentsMargins(14, 8, 14, 8);
    pRow->setSpacing(12);
    pRow->addWidget(pLogo);
    pRow->addLayout(m_pTextColumn);
    pRow->addStretch(1);
}

void HeaderBand::AddBelowTitle(QWidget* pWidget)
{
    // Before the closing stretch, so the title and the text stay together.
    m_pTextColumn->insertWidget(m_pTextColumn->count() - 1, pWidget);
}
