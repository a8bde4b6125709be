// SPDX-License-Identifier: MIT
#include "gui/WaitWindowNative.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QWidget>

void RaiseCallerWindow(void* hCallerWnd)
{
    if (hCallerWnd == nullptr)
        return;
    // Gone only after main() has joined the wait thread, or in a late exit without a GUI at all.
    QCoreApplication* pApp = QCoreApplication::instance();
    if (pApp == nullptr)
        return;
    const auto id = reinterpret_cast<WId>(hCallerWnd);
    // Queued: the GUI thread may still be blocked, and a call waiting for it could deadlock. The
    // handle is looked up there, so a window destroyed by then is not touched.
    QMetaObject::invokeMethod(
        pApp,
        [id] {
            QWidget* pWidget = QWidget::find(id);
            if (pWidget == nullptr)
                return;
            QWidget* pWindow = pWidget->window();
            pWindow->raise();
            pWindow->activateWindow();
        },
        Qt::QueuedConnection);
}
