// SPDX-License-Identifier: MIT
#pragma once

#include <QGroupBox>

class QLineEdit;
class QPushButton;
class QVBoxLayout;

// " Debug Information ": the log folder and file, each with a "..." button that opens it.
// Both the troubleshooting and the problem report dialog show it.
class LogInfoGroup final : public QGroupBox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LogInfoGroup)

public:
    explicit LogInfoGroup(QWidget* pParent = nullptr);

    // Shows where the log lies; without an application data folder the boxes stay empty and the
    // buttons are disabled.
    void Fill();

    // Room above the two boxes for a dialog's own text.
    QVBoxLayout* Column() const { return m_pColumn; }

private:
    void OpenFolder();
    void OpenFile();

    QVBoxLayout* m_pColumn = nullptr;
    QLineEdit* m_pFolder = nullptr;
    QLineEdit* m_pFile = nullptr;
    QPushButton* m_pFolderButton = nullptr;
    QPushButton* m_pFileButton = nullptr;
};
