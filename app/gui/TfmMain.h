// SPDX-License-Identifier: MIT
#pragma once

#include "core/StepMachine.h"

#include <QWidget>

#include <memory>

class QLabel;
class QPushButton;
class QStackedWidget;
class TfmPage;

// The main window: header band, client panel with the three wizard pages, and the button row.
// It is the step machine's view and forwards Prev and Next to it.
class TfmMain final : public QWidget, public WizardView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfmMain)

public:
    static constexpr int kClientWidth = 794;
    static constexpr int kClientHeight = 594;

    explicit TfmMain(QWidget* pParent = nullptr);
    ~TfmMain() override;

    // Takes the three pages over, in step order, and places them in the client panel.
    void SetPages(TfmPage* pLogin, TfmPage* pReview, TfmPage* pDelete);
    // Destroys the pages in step order; the window then has none.
    void FreePages();
    // Enters the first step. The pages must have been set.
    void Start();
    void GoToStep(int nStep);
    int Step() const;

    // The end of the program's life: the settings are saved, the work set and then the pages are
    // freed. Runs once; later calls do nothing.
    void ShutDown();

    // Around work that blocks this thread: the window takes no input and shows its current state
    // meanwhile, and input that arrived during the block is dropped rather than replayed.
    void BeginBlockingWork();
    void EndBlockingWork();

    // Native handle of the window, for the wait window to bring back to the front.
    void* NativeHandle();

    // WizardView
    void SetPrevEnabled(bool bEnabled) override;
    void SetNextEnabled(bool bEnabled) override;
    void SetPrevCaption(const char* szCaption) override;
    void SetCancelCaption(const char* szCaption) override;
    void ShowPage(int nStep) override;
    void SetStepText(const char* szText) override;

private:
    void CenterOnScreen();

    QLabel* m_pStep = nullptr;
    QWidget* m_pClient = nullptr;
    QStackedWidget* m_pPages = nullptr;
    QPushButton* m_pPrev = nullptr;
    QPushButton* m_pNext = nullptr;
    QPushButton* m_pCancel = nullptr;
    TfmPage* m_pageList[3] = {};
    std::unique_ptr<StepMachine> m_pSteps;
    bool m_bShutDown = false;
};
