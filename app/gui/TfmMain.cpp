// SPDX-License-Identifier: MIT
#include "gui/TfmMain.h"

#include "core/AppSettings.h"
#include "core/WorkSet.h"
#include "gui/DialogParts.h"
#include "gui/HeaderBand.h"
#include "gui/Links.h"
#include "gui/TfmDebug.h"
#include "gui/TfmPage.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace
{

QFrame* MakeRule(QWidget* pParent)
{
    auto* pRule = new QFrame(pParent);
    pRule->setFrameShape(QFrame::HLine);
    pRule->setFrameShadow(QFrame::Sunken);
    return pRule;
}

} // namespace

TfmMain::TfmMain(QWidget* pParent) : QWidget(pParent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("TfmMain"));
    setWindowTitle(QStringLiteral("Veltrane"));
    setFixedSize(kClientWidth, kClientHeight);

    auto* pHeader = new HeaderBand(this);
    m_pStep = new QLabel(this);
    m_pStep->setObjectName(QStringLiteral("lblStep"));
    pHeader->AddBelowTitle(m_pStep);

    m_pClient = new QWidget(this);
    m_pClient->setObjectName(QStringLiteral("pClient"));
    m_pPages = new QStackedWidget(m_pClient);
    auto* pClientLayout = new QVBoxLayout(m_pClient);
    pClientLayout->setContentsMargins(12, 10, 12, 6);
    pClientLayout->addWidget(m_pPages);

    auto* pHelp = MakeButton("btnHelp", QStringLiteral("&Help"), this);
    auto* pDebug = MakeButton("btnDebug", QStringLiteral("&Troubleshooting"), this);
    m_pPrev = MakeButton("btnPrev", QStringLiteral("< &Prev"), this);
    m_pNext = MakeButton("btnNext", QStringLiteral("&Next  >"), this);
    m_pCancel = MakeButton("btnCancel", QStringLiteral("&Cancel"), this);

    auto* pButtons = new QHBoxLayout;
    pButtons->setContentsMargins(12, 8, 12, 10);
    pButtons->setSpacing(6);
    pButtons->addWidget(pHelp);
    pButtons->addWidget(pDebug);
    pButtons->addStretch();
    pButtons->addWidget(m_pPrev);
    pButtons->addWidget(m_pNext);
    pButtons->addSpacing(8);
    pButtons->addWidget(m_pCancel);

    auto* pColumn = new QVBoxLayout(this);
    pColumn->setContentsMargins(0, 0, 0, 0);
    pColumn->setSpacing(0);
    pColumn->addWidget(pHeader);
    pColumn->addWidget(MakeRule(this));
    pColumn->addWidget(m_pClient, 1);
    pColumn->addWidget(MakeRule(this));
    pColumn->addLayout(pButtons);

    connect(pHelp, &QPushButton::clicked, this, [] { Links::Open(Links::UserGuidePath()); });
    connect(pDebug, &QPushButton::clicked, this, [this] { ShowTroubleshooting(this); });
    connect(m_pPrev, &QPushButton::clicked, this, [this] {
        if (m_pSteps)
            m_pSteps->OnPrev();
    });
    connect(m_pNext, &QPushButton::clicked, this, [this] {
        if (m_pSteps)
            m_pSteps->OnNext();
    });
    connect(m_pCancel, &QPushButton::clicked, this, &QWidget::close);

    CenterOnScreen();
}

TfmMain::~TfmMain()
{
    FreePages();
}

void TfmMain::SetPages(TfmPage* pLogin, TfmPage* pReview, TfmPage* pDelete)
{
    FreePages();
    m_pageList[StepLogin] = pLogin;
    m_pageList[StepReview] = pReview;
    m_pageList[StepDelete] = pDelete;
    for (TfmPage* pPage : m_pageList)
        m_pPages->addWidget(pPage);
    m_pSteps = std::make_unique<StepMachine>(*this, *pLogin, *pReview, *pDelete);
}

void TfmMain::FreePages()
{
    // The machine borrows the pages, so it goes first.
    m_pSteps.reset();
    for (TfmPage*& pPage : m_pageList) {
        delete pPage;
        pPage = nullptr;
    }
}

void TfmMain::Start()
{
    if (m_pSteps)
        m_pSteps->Start();
}

void TfmMain::GoToStep(int nStep)
{
    if (m_pSteps)
        m_pSteps->GoToStep(nStep);
}

int TfmMain::Step() const
{
    return m_pSteps ? m_pSteps->GetStep() : StepLogin;
}

void TfmMain::ShutDown()
{
    if (m_bShutDown)
        return;
    m_bShutDown = true;
    SaveSettings();
    FreeWorkSet();
    FreePages();
}

void TfmMain::BeginBlockingWork()
{
    setEnabled(false);
    repaint();
}

void TfmMain::EndBlockingWork()
{
    // Clicks and keys queued while the thread was blocked reach a disabled window and are dropped.
    QCoreApplication::processEvents();
    setEnabled(true);
}

void* TfmMain::NativeHandle()
{
    return reinterpret_cast<void*>(winId());
}

void TfmMain::SetPrevEnabled(bool bEnabled)
{
    m_pPrev->setEnabled(bEnabled);
}

void TfmMain::SetNextEnabled(bool bEnabled)
{
    m_pNext->setEnabled(bEnabled);
}

void TfmMain::SetPrevCaption(const char* szCaption)
{
    m_pPrev->setText(QString::fromUtf8(szCaption));
}

void TfmMain::SetCancelCaption(const char* szCaption)
{
    m_pCancel->setText(QString::fromUtf8(szCaption));
}

void TfmMain::ShowPage(int nStep)
{
    if (nStep >= StepLogin && nStep <= StepDelete && m_pageList[nStep] != nullptr)
        m_pPages->setCurrentWidget(m_pageList[nStep]);
}

void TfmMain::SetStepText(const char* szText)
{
    m_pStep->setText(QString::fromUtf8(szText));
}

void TfmMain::CenterOnScreen()
{
    if (const QScreen* pScreen = QGuiApplication::primaryScreen())
        move(pScreen->availableGeometry().center() - rect().center());
}
