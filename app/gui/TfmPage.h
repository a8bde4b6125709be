// SPDX-License-Identifier: MIT
#pragma once

#include "core/StepMachine.h"

#include <QWidget>

// A wizard page: a panel that the main window places in its client panel, driven by the step
// machine through ExchangeData.
class TfmPage : public QWidget, public WizardPage
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfmPage)

public:
    explicit TfmPage(QWidget* pParent = nullptr);
    ~TfmPage() override;
};
