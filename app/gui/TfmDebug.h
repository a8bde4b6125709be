// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class LogInfoGroup;

// The troubleshooting dialog: the log switch and level for this run, and where the log lies.
class TfmDebug final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfmDebug)

public:
    explicit TfmDebug(QWidget* pParent = nullptr);

    // False fills the dialog from AppSettings; true takes the switch and level into AppSettings
    // and the log. Always true.
    bool ExchangeData(bool bSave);

private:
    QCheckBox* m_pEnable = nullptr;
    QComboBox* m_pLevel = nullptr;
    LogInfoGroup* m_pLogInfo = nullptr;
};

// Shows the troubleshooting dialog modally over the main window.
void ShowTroubleshooting(QWidget* pMainWindow);
