// SPDX-License-Identifier: MIT
#include "gui/TfmDupOption.h"

#include "core/AppSettings.h"
#include "gui/DialogParts.h"
#include "gui/RuleBoxes.h"

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

constexpr int kRowsPerColumn = 4;

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
    for (const RuleBoxTab& tab : kRuleBoxTabs) {
        QWidget* pTab = MakeTab(tab.szName, pTabs);
        for (std::size_t i = 0; i < tab.nBoxes; ++i) {
            const RuleBox& box = tab.pBoxes[i];
            QCheckBox* pBox =
                AddBox(pTab, box.szName, box.szCaption, box.pField != nullptr ? &(AppSettings.*box.pField) : nullptr);
            if (box.pField == nullptr)
                m_pAllDayEvent = pBox;
        }
        auto* pGrid = static_cast<QGridLayout*>(pTab->layout());
        const int nColumns = pGrid->columnCount();
        pGrid->setColumnStretch(nColumns, 1);
        int nRow = kRowsPerColumn;
        // Strict e-mail tightens the contacts' e-mail rule, so it stands under the contacts' rules. It
        // spans the stretching column too, so that its width leaves the rule columns as they are.
        if (pTab->objectName() == QLatin1String("tAddr")) {
            m_pStrictEmail =
                NewBox(pTab, "cbAddrStrictEmail", "Strict e-mail: contacts that both have addresses must share one",
                       &AppSettings.AddrStrictEmail);
            pGrid->addWidget(m_pStrictEmail, nRow++, 0, 1, nColumns + 1);
        }
        pGrid->setRowStretch(nRow, 1);
        pTabs->addTab(pTab, QString::fromLatin1(tab.szCaption));
    }
    pTabs->setCurrentIndex(0);
    // Like the rule it tightens, it counts only while the e-mail rule is on.
    m_pEmail = findChild<QCheckBox*>(QStringLiteral("cbAddrEmail"));
    connect(m_pEmail, &QCheckBox::toggled, m_pStrictEmail, &QCheckBox::setEnabled);

    AddBox(this, "cbCase", "Case Sensitive when checking the text fields.", &AppSettings.CaseSensitive);
    QCheckBox* pCase = m_bindings.back().pBox;
    // Normalising applies to the text comparisons of every kind, as case sensitivity does.
    QCheckBox* pNormalise =
        NewBox(this, "cbNormalise", "Normalise: ignore extra blanks, case in any alphabet, phone formatting",
               &AppSettings.NormaliseCompare);
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
    pBody->addWidget(pNormalise);
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

QCheckBox* TfmDupOption::NewBox(QWidget* pParent, const char* szName, const char* szCaption, bool* pField)
{
    auto* pBox = new QCheckBox(QString::fromLatin1(szCaption), pParent);
    pBox->setObjectName(QString::fromLatin1(szName));
    if (pField != nullptr)
        m_bindings.push_back({pBox, pField});
    return pBox;
}

QCheckBox* TfmDupOption::AddBox(QWidget* pTab, const char* szName, const char* szCaption, bool* pField)
{
    QCheckBox* pBox = NewBox(pTab, szName, szCaption, pField);
    // Boxes fill a tab column by column, four to a column.
    if (auto* pGrid = qobject_cast<QGridLayout*>(pTab->layout())) {
        const int nIndex = pGrid->count();
        pGrid->addWidget(pBox, nIndex % kRowsPerColumn, nIndex / kRowsPerColumn);
    }
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
    m_pStrictEmail->setEnabled(m_pEmail->isChecked());
    return true;
}
