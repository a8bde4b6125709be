// SPDX-License-Identifier: MIT
#include "gui/LogInfoGroup.h"

#include "core/AppSettings.h"
#include "gui/AnsiText.h"
#include "gui/Links.h"
#include "gui/MessageBox.h"
#include "platform/Platform.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{

QPushButton* MakeBrowseButton(const char* szName, QWidget* pParent)
{
    auto* pButton = new QPushButton(QStringLiteral("..."), pParent);
    pButton->setObjectName(QString::fromLatin1(szName));
    // A small square button beside the box, not a full-width command button.
    pButton->setStyleSheet(QStringLiteral("min-width: 0px; padding: 0px;"));
    pButton->setFixedWidth(28);
    return pButton;
}

} // namespace

LogInfoGroup::LogInfoGroup(QWidget* pParent) : QGroupBox(QStringLiteral(" Debug Information "), pParent)
{
    m_pFolder = new QLineEdit(this);
    m_pFolder->setObjectName(QStringLiteral("edtFolder"));
    m_pFolder->setReadOnly(true);
    m_pFile = new QLineEdit(this);
    m_pFile->setObjectName(QStringLiteral("edtFile"));
    m_pFile->setReadOnly(true);
    m_pFolderButton = MakeBrowseButton("btnFolder", this);
    m_pFileButton = MakeBrowseButton("btnFile", this);

    auto* pGrid = new QGridLayout;
    pGrid->addWidget(new QLabel(QStringLiteral("Log Folder:"), this), 0, 0);
    pGrid->addWidget(m_pFolder, 0, 1);
    pGrid->addWidget(m_pFolderButton, 0, 2);
    pGrid->addWidget(new QLabel(QStringLiteral("Log File:"), this), 1, 0);
    pGrid->addWidget(m_pFile, 1, 1);
    pGrid->addWidget(m_pFileButton, 1, 2);

    m_pColumn = new QVBoxLayout(this);
    m_pColumn->addLayout(pGrid);

    connect(m_pFolderButton, &QPushButton::clicked, this, &LogInfoGroup::OpenFolder);
    connect(m_pFileButton, &QPushButton::clicked, this, &LogInfoGroup::OpenFile);
}

void LogInfoGroup::Fill()
{
    char szFolder[plat::kMaxPath] = {};
    const bool bFound = GetAppDataFolder(szFolder);
    m_pFolder->setText(bFound ? FromAnsi(szFolder) : QString());
    m_pFile->setText(bFound ? FromAnsi(szFolder) + QStringLiteral("appdebug.log") : QString());
    m_pFolderButton->setEnabled(bFound);
    m_pFileButton->setEnabled(bFound);
}

void LogInfoGroup::OpenFolder()
{
    Links::Open(m_pFolder->text());
}

void LogInfoGroup::OpenFile()
{
    const QString file = m_pFile->text();
    if (!plat::PathExists(ToAnsi(file).c_str())) {
        MessageBox::ShowInfo(this, QStringLiteral("Debug log file doesn't exist"));
        return;
    }
    Links::Open(file);
}
