// SPDX-License-Identifier: MIT
// The main window with the real login page and two scripted pages after it.
#pragma once

#include "GuiTestSupport.h"
#include "gui/TfmMain.h"
#include "gui/TfmPage.h"
#include "gui/TfmSGSource.h"
#include "misc/CxCommWaitWindow.h"
#include "misc/TextUtil.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

// A page that counts what the step machine asks of it and answers as told.
class ScriptedPage final : public TfmPage
{
public:
    explicit ScriptedPage(const char* szName) { setObjectName(QString::fromLatin1(szName)); }

    bool ExchangeData(bool bSave) override
    {
        ++(bSave ? m_nLeaves : m_nEnters);
        return bSave ? m_bLeaveResult : true;
    }

    int m_nEnters = 0;
    int m_nLeaves = 0;
    bool m_bLeaveResult = true;
};

class WizardTest : public GuiTest
{
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        m_pMain = std::make_unique<TfmMain>();
        m_pLogin = new TfmSGSource(*m_pMain);
        m_pReview = new ScriptedPage("review");
        m_pDelete = new ScriptedPage("delete");
        m_pLogin->SetLoadForTesting([this] {
            ++m_nLoads;
            return m_load ? m_load() : true;
        });
        m_pMain->SetPages(m_pLogin, m_pReview, m_pDelete);
    }

    void TearDown() override
    {
        // Every load ends its wait window; its thread must be gone before the next test starts one.
        EXPECT_TRUE(JoinWaitThread(5000));
        m_pMain.reset();
        GuiTest::TearDown();
    }

    void StartWizard()
    {
        m_pMain->Start();
        m_pMain->show();
    }

    template <class T> T* Get(const char* szName) { return Find<T>(m_pMain.get(), szName); }

    void ClickNext() { QTest::mouseClick(Get<QPushButton>("btnNext"), Qt::LeftButton); }

    void FillLogin(const QString& host, const QString& user, const QString& password)
    {
        Get<QLineEdit>("edtHostName")->setText(host);
        Get<QLineEdit>("edtUserName")->setText(user);
        Get<QLineEdit>("edtPassword")->setText(password);
    }

    std::unique_ptr<TfmMain> m_pMain;
    TfmSGSource* m_pLogin = nullptr;
    ScriptedPage* m_pReview = nullptr;
    ScriptedPage* m_pDelete = nullptr;
    int m_nLoads = 0;
    std::function<bool()> m_load;
};
