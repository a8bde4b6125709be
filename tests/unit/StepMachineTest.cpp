// SPDX-License-Identifier: MIT
#include "core/StepMachine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using Calls = std::vector<std::string>;

class FakePage : public WizardPage
{
public:
    FakePage(std::string name, Calls& calls) : m_name(std::move(name)), m_calls(calls) {}
    bool ExchangeData(bool bSave) override
    {
        m_calls.push_back(m_name + (bSave ? ":true" : ":false"));
        return !bSave || m_bAllowLeave;
    }
    bool m_bAllowLeave = true;

private:
    std::string m_name;
    Calls& m_calls;
};

// Keeps the window's state as one line, so a whole screen is compared at once.
class RecordingView : public WizardView
{
public:
    void SetPrevEnabled(bool bEnabled) override { Set(m_prev, bEnabled ? "on" : "off"); }
    void SetNextEnabled(bool bEnabled) override { Set(m_next, bEnabled ? "on" : "off"); }
    void SetPrevCaption(const char* szCaption) override { Set(m_prevCaption, szCaption); }
    void SetCancelCaption(const char* szCaption) override { Set(m_cancelCaption, szCaption); }
    void ShowPage(int nStep) override { Set(m_page, std::to_string(nStep)); }
    void SetStepText(const char* szText) override { Set(m_text, szText); }

    std::string State() const
    {
        return "page " + m_page + ", prev " + m_prev + " '" + m_prevCaption + "', next " + m_next + ", '" +
               m_cancelCaption + "', " + m_text;
    }
    int m_nCalls = 0;

private:
    void Set(std::string& field, const std::string& value)
    {
        field = value;
        ++m_nCalls;
    }
    std::string m_prev, m_next, m_prevCaption, m_cancelCaption, m_page, m_text;
};

const char kLoginScreen[] = "page 0, prev off '< &Prev', next on, '&Cancel', "
                            "Please select enter your SugarCRM data access information";
const char kReviewScreen[] = "page 1, prev on '< &Prev', next on, '&Cancel', "
                             "Please select the duplicate items that you want to delete.";
const char kDeleteScreen[] = "page 2, prev on '< &Restart', next off, '&Finish', Deleting duplicate items now.";

class StepMachineTest : public ::testing::Test
{
protected:
    // Runs one action and returns the page calls it made, in order.
    template <typename Action> Calls Run(Action action)
    {
        m_calls.clear();
        action();
        return m_calls;
    }

    Calls m_calls;
    FakePage m_login{"login", m_calls};
    FakePage m_review{"review", m_calls};
    FakePage m_delete{"delete", m_calls};
    RecordingView m_view;
    StepMachine m_machine{m_view, m_login, m_review, m_delete};
};

} // namespace

TEST_F(StepMachineTest, ForwardThroughTheSteps)
{
    EXPECT_EQ(Run([&] { m_machine.Start(); }), Calls{"login:false"});
    EXPECT_EQ(m_view.State(), kLoginScreen);
    EXPECT_EQ(Run([&] { m_machine.OnNext(); }), (Calls{"login:true", "review:false"}));
    EXPECT_EQ(m_view.State(), kReviewScreen);
    EXPECT_EQ(Run([&] { m_machine.OnNext(); }), (Calls{"review:true", "delete:false"}));
    EXPECT_EQ(m_view.State(), kDeleteScreen);
    EXPECT_EQ(m_machine.GetStep(), StepDelete);
    // Next is disabled here; a stray press must not mark and arm the deletion a second time.
    EXPECT_EQ(Run([&] { m_machine.OnNext(); }), Calls{});
}

TEST_F(StepMachineTest, ARefusingPageKeepsEverything)
{
    m_machine.Start();
    m_login.m_bAllowLeave = false;
    const int nViewCalls = m_view.m_nCalls;
    EXPECT_EQ(Run([&] { m_machine.OnNext(); }), Calls{"login:true"});
    EXPECT_EQ(m_view.m_nCalls, nViewCalls);
    EXPECT_EQ(m_machine.GetStep(), StepLogin);

    m_login.m_bAllowLeave = true;
    m_machine.OnNext();
    m_review.m_bAllowLeave = false;
    EXPECT_EQ(Run([&] { m_machine.OnNext(); }), Calls{"review:true"});
    EXPECT_EQ(m_view.State(), kReviewScreen);
}

TEST_F(StepMachineTest, GoingBackOnlyRefillsTheLoginPage)
{
    m_machine.Start();
    m_machine.OnNext();
    EXPECT_EQ(Run([&] { m_machine.OnPrev(); }), Calls{"login:false"});
    EXPECT_EQ(m_view.State(), kLoginScreen);
    EXPECT_EQ(Run([&] { m_machine.OnPrev(); }), Calls{});

    m_machine.OnNext();
    m_machine.OnNext();
    EXPECT_EQ(Run([&] { m_machine.OnPrev(); }), Calls{"login:false"});
    EXPECT_EQ(m_view.State(), kLoginScreen);
    // After a restart, Next loads and rebuilds the review page again.
    EXPECT_EQ(Run([&] { m_machine.OnNext(); }), (Calls{"login:true", "review:false"}));
}

TEST_F(StepMachineTest, GoToStepClampsAndEntersBackwardsWithoutLeaving)
{
    m_machine.Start();
    m_machine.OnNext();
    EXPECT_EQ(Run([&] { m_machine.GoToStep(7); }), (Calls{"review:true", "delete:false"}));
    EXPECT_EQ(m_view.State(), kDeleteScreen);
    // Step 1 is loaded from the login page only; from later it is shown as it is.
    EXPECT_EQ(Run([&] { m_machine.GoToStep(StepReview); }), Calls{});
    EXPECT_EQ(m_view.State(), kReviewScreen);
    EXPECT_EQ(Run([&] { m_machine.GoToStep(-3); }), Calls{"login:false"});
    EXPECT_EQ(m_view.State(), kLoginScreen);
}
