// SPDX-License-Identifier: MIT
#include "gui/TfmDupOption.h"

#include "core/AppSettings.h"
#include "gui/DialogParts.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

namespace
{

// One box of a tab; a null field is a box bound to no setting.
struct BoxDef
{
    const char* szName;
    const char* szCaption;
    bool AppSettingsData::*pField;
};

constexpr int kRowsPerColumn = 4;

const BoxDef kAddrBoxes[] = {
    {"cbAddrDisplayName", "Full Name", &AppSettingsData::AddrDisplayName},
    {"cbAddrFirstName", "First Name", &AppSettingsData::AddrFirstName},
    {"cbAddrLastName", "Last Name", &AppSettingsData::AddrLastName},
    {"cbAddrEmail", "Email", &AppSettingsData::AddrEmail},
    {"cbAddrDepartment", "Department", &AppSettingsData::AddrDepartment},
    {"cbAddrTitle", "Job Title", &AppSettingsData::AddrTitle},
    {"cbAddrPhone", "Phone Numbers", &AppSettingsData::AddrPhone},
    {"cbAddrAddr", "Addresses", &AppSettingsData::AddrAddress},
    {"cbAddrBirthday", "Birth Date", &AppSettingsData::AddrBirthday},
    {"cbAddrNote", "Notes", &AppSettingsData::AddrNote},
};

const BoxDef kDateBoxes[] = {
    {"cbDateSubject", "Subject", &AppSettingsData::DateSubject},
    {"cbDateStartTime", "Start Time", &AppSettingsData::DateStartTime},
    {"cbDateEndTime", "End Time", &AppSettingsData::DateEndTime},
    {"cbDateAllDayEvent", "All Day Event", nullptr},
    {"cbDateLocation", "Location", &AppSettingsData::DateLocation},
    {"cbDateNote", "Notes", &AppSettingsData::DateNote},
    {"cbDateContactID", "Contact ID", &AppSettingsData::DateContactID},
    {"cbDateAssignedID", "Assigned ID", &AppSettingsData::DateAssignedID},
};

const BoxDef kTaskBoxes[] = {
    {"cbTaskSubject", "Subject", &AppSettingsData::TaskSubject},
    {"cbTaskImportance", "Priority", &AppSettingsData::TaskImportance},
    {"cbTaskDueDate", "Due Date", &AppSettingsData::TaskDueDate},
    {"cbTaskNote", "Notes", &AppSettingsData::TaskNote},
    {"cbTaskContactID", "Contact ID", &AppSettingsData::TaskContactID},
    {"cbTaskAssignedID", "Assigned ID", &AppSettingsData::TaskAssignedID},
};

QWidget* MakeTab(const char* szName, QWidget* pParent)
{
    auto* pTab = new QWidget(pParent);
    pTab->setObjectName(QString::fromLatin1(szName));
    auto* pGrid = new QGridLayout(pTab);
    pGrid->setContentsMargins(16, 14, 16, 14);
    pGrid->setHorizontalSpacing(24);
    pGrid->setVerticalSpacing(10);
    return pTab;
}

} // namespace

TfmDupOption::TfmDupOption(QWidget* pParent) : QDialog(pParent)
{
    setObjectName(QStringLiteral("TfmDupOption"));
    setWindowTitle(QStringLiteral("Set Veltrane Options"));
    setFixedSize(kClientWidth, kClientHeight);

    auto* pIntro = new QLabel(QStringLiteral("You may customize the duplicate criteria here, Veltrane will check the "
                                             "data fields below."),
                              this);
    auto* pIntro2 = new QLabel(QStringLiteral("If two records have the same content in the selected fields, they "
                                              "will be treated as Duplicates."),
                               this);
    pIntro->setWordWrap(true);
    pIntro2->setWordWrap(true);

    auto* pTabs = new QTabWidget(this);
    pTabs->setObjectName(QStringLiteral("pMain"));
    const struct
    {
        const char* szName;
        const char* szCaption;
        const BoxDef* pBoxes;
        std::size_t nBoxes;
    } tabs[] = {
        {"tAddr", "Contacts", kAddrBoxes, std::size(kAddrBoxes)},
        {"tDate", "Calendar", kDateBoxes, std::size(kDateBoxes)},
        {"tTask", "Task", kTaskBoxes, std::size(kTaskBoxes)},
    };
    for (const auto& tab : tabs) {
        QWidget* pTab = MakeTab(tab.szName, pTabs);
        for (std::size_t i = 0; i < tab.nBoxes; ++i) {
            const BoxDef& box = tab.pBoxes[i];
            QCheckBox* pBox =
                AddBox(pTab, box.szName, box.szCaption, box.pField != nullptr ? &(AppSettings.*box.pField) : nullptr);
            if (box.pField == nullptr)
                m_pAllDayEvent = pBox;
        }
        auto* pGrid = static_cast<QGridLayout*>(pTab->layout());
        pGrid->setRowStretch(kRowsPerColumn, 1);
        pGrid->setColumnStretch(pGrid->columnCount(), 1);
        pTabs->addTab(pTab, QString::fromLatin1(tab.szCaption));
    }
    pTabs->setCurrentIndex(0);

    AddBox(this, "cbCase", "Case Sensitive when checking the text fields.", &AppSettings.CaseSensitive);
    QCheckBox* pCase = m_bindings.back().pBox;
    QCheckBox* pMergeRelated =
        AddBox(this, "cbMergeRelated", "Move related items of deleted duplicates to the record kept",
               &AppSettings.MergeMoveRelated);
    QCheckBox* pMergeFill = AddBox(this, "cbMergeFill", "Fill empty fields of the record kept from its duplicates",
                                   &AppSettings.MergeFillEmpty);

    QPushButton* pOK = nullptr;
    QPushButton* pCancel = nullptr;
    QHBoxLayout* pButtons = MakeOkCancelRow(this, pOK, pCancel);

    auto* pBody = new QVBoxLayout;
    pBody->setContentsMargins(14, 10, 14, 12);
    pBody->setSpacing(8);
    pBody->addWidget(pIntro);
    pBody->addWidget(pIntro2);
    pBody->addWidget(pTabs, 1);
    pBody->addWidget(pCase);
    pBody->addWidget(pMergeRelated);
    pBody->addWidget(pMergeFill);
    pBody->addLayout(pButtons);

    LayOutUnderHeader(this, pBody, 1);

    connect(pOK, &QPushButton::clicked, this, [this] {
        if (ExchangeData(true))
            accept();
    });
    connect(pCancel, &QPushButton::clicked, this, &QDialog::reject);

    if (const QScreen* pScreen = screen())
        move(pScreen->availableGeometry().center() - rect().center());
}

QCheckBox* TfmDupOption::AddBox(QWidget* pTab, const char* szName, const char* szCaption, bool* pField)
{
    auto* pBox = new QCheckBox(QString::fromLatin1(szCaption), pTab);
    pBox->setObjectName(QString::fromLatin1(szName));
    // Boxes fill a tab column by column, four to a column.
    if (auto* pGrid = qobject_cast<QGridLayout*>(pTab->layout())) {
        const int nIndex = pGrid->count();
        pGrid->addWidget(pBox, nIndex % kRowsPerColumn, nIndex / kRowsPerColumn);
    }
    if (pField != nullptr)
        m_bindings.push_back({pBox, pField});
    return pBox;
}

bool TfmDupOption::ExchangeData(bool bSave)
{
    for (const Binding& binding : m_bindings) {
        if (bSave)
            *binding.pField = binding.pBox->isChecked();
        else
            binding.pBox->setChecked(*binding.pField);
    }
    // Bound to no setting, so it never shows a choice that would not be kept.
    if (!bSave)
        m_pAllDayEvent->setChecked(false);
    return true;
}
