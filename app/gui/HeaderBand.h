// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

class QLabel;
class QVBoxLayout;

// The white band at the top of every window: the logo, the product title that opens the home page
// and, in the main window, the step description under the title.
class HeaderBand final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HeaderBand)

public:
    explicit HeaderBand(QWidget* pParent = nullptr);

    // Places a widget under the title, as the main window does with its step description.
    void AddBelowTitle(QWidget* pWidget);

private:
    QVBoxLayout* m_pTextColumn = nullptr;
};
