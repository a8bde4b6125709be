// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QPointer>

// The problem report after an unhandled exception: the support mail link, where the log lies, the
// troubleshooting dialog and a way to quit.
class TfmDump final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfmDump)

public:
    // The owner's window is the main window that "Quit Veltrane" closes.
    explicit TfmDump(QWidget* pOwner = nullptr);

private:
    void Quit();

    QPointer<QWidget> m_pMainWindow;
};

// Shows the problem report modally over the owner.
void ShowProblemReport(QWidget* pOwner);
