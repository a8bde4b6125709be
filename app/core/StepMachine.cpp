// SPDX-License-Identifier: MIT
#include "core/StepMachine.h"

WizardPage::~WizardPage() = default;

WizardView::~WizardView() = default;

StepMachine::StepMachine(WizardView& view, WizardPage& loginPage, WizardPage& reviewPage, WizardPage& deletePage)
    : m_view(view), m_loginPage(loginPage), m_reviewPage(reviewPage), m_deletePage(deletePage)
{
}

const char* StepMachine::StepText(int nStep)
{
    switch (nStep) {
    case StepLogin:
        return "Please select enter your SugarCRM data access information";
    case StepReview:
        return "Please select the duplicate items that you want to delete.";
    case StepDelete:
        return "Deleting duplicate items now.";
    default:
        return "";
    }
}

void StepMachine::Start()
{
    m_nStep = StepLogin;
    GoToStep(StepLogin);
}

void StepMachine::GoToStep(int nStep)
{
    if (nStep < StepLogin)
        nStep = StepLogin;
    if (nStep > StepDelete)
        nStep = StepDelete;

    switch (nStep) {
    case StepLogin:
        m_loginPage.ExchangeData(false);
        break;
    case StepReview:
        // Only a move forward from the login page loads and rebuilds the review page.
        if (m_nStep < StepReview) {
            if (!m_loginPage.ExchangeData(true))
                return;
            m_reviewPage.ExchangeData(false);
        }
        break;
    default:
        if (!m_reviewPage.ExchangeData(true))
            return;
        m_deletePage.ExchangeData(false);
        break;
    }
    m_nStep = nStep;
    UpdateStepUI();
}

void StepMachine::UpdateStepUI()
{
    const bool bLast = m_nStep == StepDelete;
    m_view.SetPrevEnabled(m_nStep != StepLogin);
    m_view.SetNextEnabled(!bLast);
    m_view.SetCancelCaption(bLast ? "&Finish" : "&Cancel");
    m_view.SetPrevCaption(bLast ? "< &Restart" : "< &Prev");
    m_view.ShowPage(m_nStep);
    m_view.SetStepText(StepText(m_nStep));
}

void StepMachine::OnNext()
{
    // Next is disabled in the last step; a stray call must not mark and arm the deletion again.
    if (m_nStep >= StepDelete)
        return;
    GoToStep(m_nStep + 1);
}

void StepMachine::OnPrev()
{
    if (m_nStep == StepLogin)
        return;
    GoToStep(m_nStep == StepDelete ? StepLogin : m_nStep - 1);
}
