// SPDX-License-Identifier: MIT
#include "gui/ClickLabel.h"

#include <QMouseEvent>

ClickLabel::ClickLabel(const QString& text, QWidget* pParent) : QLabel(text, pParent)
{
    setCursor(Qt::PointingHandCursor);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* pEvent)
{
    // Only a release inside the label counts, as with a button.
    if (pEvent->button() == Qt::LeftButton && rect().contains(pEvent->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(pEvent);
}
