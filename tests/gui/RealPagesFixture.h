// SPDX-License-Identifier: MIT
// A fixture with the main window and the three real pages, as the program puts them together.
#pragma once

#include "GuiTestSupport.h"

#include "core/WorkSet.h"
#include "gui/TfmMain.h"
#include "gui/TfmSGClean.h"
#include "gui/TfmSGData.h"
#include "gui/TfmSGSource.h"
#include "misc/CxCommWaitWindow.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

class RealPagesTest : public GuiTest
{
protected:
    static void NoPause(int) {}

    void SetUp() override
    {
        GuiTest::SetUp();
        SetLoadPauseForTesting(NoPause);
        m_pMain = std::make_unique<TfmMain>();
        m_pClean = new TfmSGClean(*m_pMain);
        m_pClean->SetPauseForTesting(NoPause);
        m_pMain->SetPages(new TfmSGSource(*m_pMain), new TfmSGData, m_pClean);
        m_pMain->Start();
        m_pMain->show();
    }

    void TearDown() override
    {
        EXPECT_TRUE(JoinWaitThread(5000));
        m_pMain.reset();
        FreeWorkSet();
        SetLoadPauseForTesting(nullptr);
        GuiTest::TearDown();
    }

    // Next from the review page, then the timer, fired by the event loop without a second's wait;
    // back when the run has ended or nMaxMs has passed. onEntered runs once the page is entered,
    // before the run.
    void DeleteTicked(int nMaxMs = 5000, const std::function<void()>& onEntered = {})
    {
        ClickNext();
        ASSERT_EQ(m_pMain->Step(), StepDelete);
        if (onEntered)
            onEntered();
        auto* pTimer = m_pClean->findChild<QTimer*>(QStringLiteral("tmStart"));
        ASSERT_TRUE(pTimer != nullptr && pTimer->isActive());
        pTimer->setInterval(0);
        EXPECT_TRUE(QTest::qWaitFor([pTimer] { return !pTimer->isActive(); }, nMaxMs));
        pTimer->setInterval(1000);
    }

    template <class T> T* Get(const char* szName) { return Find<T>(m_pMain.get(), szName); }
    void ClickNext() { QTest::mouseClick(Get<QPushButton>("btnNext"), Qt::LeftButton); }
    std::string Memo() { return Get<QPlainTextEdit>("memLog")->toPlainText().toStdString(); }

    std::unique_ptr<TfmMain> m_pMain;
    TfmSGClean* m_pClean = nullptr;
};
