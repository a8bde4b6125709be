// SPDX-License-Identifier: MIT
// The wizard's step machine, free of any window system: it talks to the pages through
// ExchangeData and to the main window through WizardView.
#pragma once

#include <cstdint>

// What every wizard page offers. ExchangeData(false) fills the page on entering it (the result
// is ignored); ExchangeData(true) checks and takes over its input on leaving forward and returns
// whether the wizard may move on, having told the user why not.
class WizardPage
{
public:
    virtual ~WizardPage();
    virtual bool ExchangeData(bool bSave) = 0;
};

// The main window's side: its Prev, Next and Cancel buttons, its pages and its header text.
class WizardView
{
public:
    virtual ~WizardView();
    virtual void SetPrevEnabled(bool bEnabled) = 0;
    virtual void SetNextEnabled(bool bEnabled) = 0;
    virtual void SetPrevCaption(const char* szCaption) = 0;
    virtual void SetCancelCaption(const char* szCaption) = 0;
    // Shows the page of the step, hides the other two.
    virtual void ShowPage(int nStep) = 0;
    virtual void SetStepText(const char* szText) = 0;
};

enum WizardStep : int32_t
{
    StepLogin = 0,
    StepReview = 1,
    StepDelete = 2
};

class StepMachine
{
public:
    // The pages and the view are borrowed and must outlive the machine.
    StepMachine(WizardView& view, WizardPage& loginPage, WizardPage& reviewPage, WizardPage& deletePage);

    // Enters the first step: the login page is filled and shown.
    void Start();
    // Moves to a step (clamped to the three); a page that refuses to be left keeps everything as it was.
    void GoToStep(int nStep);
    void UpdateStepUI();

    void OnNext();
    // In the last step Prev restarts the wizard at the login page.
    void OnPrev();

    int GetStep() const { return m_nStep; }

    // The header text of a step, empty for a number that is no step.
    static const char* StepText(int nStep);

private:
    WizardView& m_view;
    WizardPage& m_loginPage;
    WizardPage& m_reviewPage;
    WizardPage& m_deletePage;
    int32_t m_nStep = StepLogin;
};
