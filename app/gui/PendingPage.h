// SPDX-License-Identifier: MIT
#pragma once

#include "gui/TfmPage.h"

// Holds the place of a wizard page that this build does not have yet, so the step machine has its
// three pages. It can be entered but never left forward, so no step after it is ever reached.
class PendingPage final : public TfmPage
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PendingPage)

public:
    PendingPage(const QString& name, QWidget* pParent = nullptr);

    bool ExchangeData(bool bSave) override;
};
