// SPDX-License-Identifier: MIT
#pragma once

#include <QLabel>

// A label that reacts to a left click, with the hand cursor: the header title and the mail link.
class ClickLabel final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClickLabel)

public:
    explicit ClickLabel(const QString& text, QWidget* pParent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
};
