// SPDX-License-Identifier: MIT
#include "gui/TfmSGData.h"

#include "core/DataKinds.h"
#include "core/RecordCursor.h"
#include "gui/DialogParts.h"
#include "gui/MessageBox.h"
#include "gui/TfmDupOption.h"
#include "misc/CxList.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>

#include <string>
#include <unordered_set>
#include <vector>

TfmSGData::TfmSGData(QWidget* pParent) : TfmPage(pParent)
{
    setObjectName(QStringLiteral("TfmSGData"));

    m_pData = Named(new QTabWidget(this), "pData");
    ForEachRecordKind([this](auto tag) { AddKindTab(tag); });

    auto* pOption = Named(new QPushButton(QStringLiteral("&Options"), this), "btnOption");
    auto* pSelAll = Named(new QPushButton(QStringLiteral("Select All Dups"), this), "btnSelAll");
    auto* pClear = Named(new QPushButton(QStringLiteral("Clear Selection"), this), "btnClear");
    auto* pButtons = new QHBoxLayout;
    pButtons->addStretch();
    pButtons->addWidget(pOption);
    pButtons->addWidget(pSelAll);
    pButtons->addWidget(pClear);

    auto* pColumn = new QVBoxLayout(this);
    pColumn->setContentsMargins(0, 0, 0, 0);
    pColumn->addWidget(m_pData, 1);
    pColumn->addLayout(pButtons);

    connect(pOption, &QPushButton::clicked, this, &TfmSGData::ShowOptions);
    connect(pSelAll, &QPushButton::clicked, this, &TfmSGData::SelectAll);
    connect(pClear, &QPushButton::clicked, this, &TfmSGData::ClearSelection);
}

template <class Tag> void TfmSGData::AddKindTab(Tag tag)
{
    using Record = typename Tag::Type;
    const int nIndex = RecordKind<Record>::kIndex;
    const DataKindInfo& info = tag.Info();
    const std::string stem = info.szStem;
    KindTab& tab = m_tabs[nIndex];
    tab.pInfo = &info;
    tab.pfnStoreCount = [] {
        const auto* pStore = StoreOf<Record>();
        return pStore != nullptr ? pStore->GetEntryCount() : 0U;
    };
    tab.pfnFirst = [] { return static_cast<void*>(GetFirstKindRecord<Record>()); };
    tab.pfnNext = [] { return static_cast<void*>(GetNextKindRecord<Record>()); };
    tab.pfnFlags = [](void* pRecord) { return &static_cast<Record*>(pRecord)->dwFlags; };
    tab.pTab = Named(new QWidget(m_pData), ("t" + stem).c_str());
    tab.pModel = new RecordListModel(nIndex, this);
    tab.pList = Named(new QTreeView(tab.pTab), ("lv" + stem).c_str());
    tab.pList->setModel(tab.pModel);
    tab.pList->setRootIsDecorated(false);
    tab.pList->setItemsExpandable(false);
    // Every row is one line high: the view then never measures rows, whatever their number.
    tab.pList->setUniformRowHeights(true);
    tab.pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tab.pList->setSelectionMode(QAbstractItemView::SingleSelection);
    tab.pList->setSelectionBehavior(tab.pModel->SelectsRows() ? QAbstractItemView::SelectRows
                                                              : QAbstractItemView::SelectItems);
    for (int nColumn = 0; nColumn < tab.pModel->columnCount(); ++nColumn)
        tab.pList->setColumnWidth(nColumn, tab.pModel->ColumnWidth(nColumn));
    // The last column takes the width that is left rather than leaving it empty.
    tab.pList->header()->setStretchLastSection(true);

    tab.pAll =
        Named(new QCheckBox(QString::fromLatin1(info.szLoadAllCaption), tab.pTab), ("cb" + stem + "All").c_str());
    tab.pCount = Named(new QLabel(tab.pTab), ("lbl" + stem + "Count").c_str());

    auto* pBelow = new QHBoxLayout;
    pBelow->addWidget(tab.pAll);
    pBelow->addSpacing(24);
    pBelow->addWidget(tab.pCount);
    pBelow->addStretch();
    auto* pColumn = new QVBoxLayout(tab.pTab);
    pColumn->addWidget(tab.pList, 1);
    pColumn->addLayout(pBelow);
    m_pData->addTab(tab.pTab, QString::fromLatin1(info.szTabCaption));

    connect(tab.pAll, &QCheckBox::toggled, this,
            [this, nIndex](bool bChecked) { RebuildList(m_tabs[nIndex], bChecked); });
}

bool TfmSGData::ExchangeData(bool bSave)
{
    if (bSave) {
        for (KindTab& tab : m_tabs) {
            if (IsShown(tab))
                TakeTicks(tab);
        }
        return true;
    }

    int nFirstShown = -1;
    for (int i = 0; i < kDataKindCount; ++i) {
        const bool bShown = IsShown(m_tabs[i]);
        m_pData->setTabVisible(i, bShown);
        if (bShown && nFirstShown < 0)
            nFirstShown = i;
        // A new load has freed the records that a kind no longer chosen still listed.
        if (!bShown)
            m_tabs[i].pModel->SetRecords({}, false);
    }
    // The tab that was current may just have been hidden.
    if (nFirstShown >= 0)
        m_pData->setCurrentIndex(nFirstShown);
    FindDups();
    RebuildShownLists();
    ClearLoadAll();
    return true;
}

bool TfmSGData::IsShown(const KindTab& tab) const
{
    return IsKindChosen(*tab.pInfo);
}

void TfmSGData::FindDups()
{
    for (const KindTab& tab : m_tabs) {
        if (IsShown(tab))
            tab.pInfo->pfnFindDups();
    }
}

void TfmSGData::RebuildList(KindTab& tab, bool bAllRecords)
{
    CxList* pDups = WorkSet.*tab.pInfo->pDups;
    if (pDups == nullptr)
        return;

    std::vector<void*> records;
    if (bAllRecords) {
        records.reserve(tab.pfnStoreCount());
        for (void* pRecord = tab.pfnFirst(); pRecord != nullptr; pRecord = tab.pfnNext())
            records.push_back(pRecord);
    }
    else {
        records.reserve(pDups->GetCount());
        for (void* pRecord = pDups->GetFirst(); pRecord != nullptr; pRecord = pDups->GetNext())
            records.push_back(pRecord);
    }
    // The duplicates are offered for deletion; the full list is only there to pick from.
    tab.pModel->SetRecords(std::move(records), !bAllRecords);

    const int nDups = static_cast<int>(pDups->GetCount());
    const QString name = QString::fromLatin1(tab.pInfo->szTabName);
    m_pData->setTabText(m_pData->indexOf(tab.pTab), nDups >= 2 ? QStringLiteral("%1 (%2 Dups)").arg(name).arg(nDups)
                                                               : QStringLiteral("%1 (%2 Dup)").arg(name).arg(nDups));
    tab.pCount->setText(QStringLiteral("%1 %2 records in total")
                            .arg(tab.pfnStoreCount())
                            .arg(QString::fromLatin1(tab.pInfo->szCountName)));
}

void TfmSGData::RebuildShownLists()
{
    for (KindTab& tab : m_tabs) {
        if (IsShown(tab))
            RebuildList(tab, false);
    }
}

void TfmSGData::ClearLoadAll()
{
    // The lists have just been rebuilt in the duplicates view; clearing a box must not do it again.
    for (KindTab& tab : m_tabs) {
        const QSignalBlocker blocker(tab.pAll);
        tab.pAll->setChecked(false);
    }
}

void TfmSGData::TakeTicks(KindTab& tab)
{
    CxList* pDups = WorkSet.*tab.pInfo->pDups;
    // Looked up in a set: with every loaded record ticked, a search of the list per row would take
    // time in the square of the record count.
    std::unordered_set<void*> listed;
    if (pDups != nullptr) {
        for (void* pRecord = pDups->GetFirst(); pRecord != nullptr; pRecord = pDups->GetNext())
            listed.insert(pRecord);
    }
    for (int nRow = 0; nRow < tab.pModel->rowCount(); ++nRow) {
        void* pRecord = tab.pModel->RecordAt(nRow);
        if (pRecord == nullptr)
            continue;
        uint32_t* pFlags = tab.pfnFlags(pRecord);
        if (!tab.pModel->IsChecked(nRow)) {
            *pFlags &= ~REC_SELECTED;
            continue;
        }
        *pFlags |= REC_SELECTED;
        if (pDups != nullptr && listed.insert(pRecord).second)
            pDups->AddTail(pRecord);
    }
}

void TfmSGData::SelectAll()
{
    bool bAllRecords = false;
    for (const KindTab& tab : m_tabs)
        bAllRecords = bAllRecords || tab.pAll->isChecked();
    if (bAllRecords &&
        MessageBox::AskConfirmation(this, QStringLiteral("You are selecting all Contacts, Calendar or Tasks "
                                                         "information, including non-duplicate records. Are you "
                                                         "sure to continue?")) != MessageBox::Answer::Yes)
        return;
    for (KindTab& tab : m_tabs) {
        if (IsShown(tab))
            tab.pModel->SetAllChecked(true);
    }
}

void TfmSGData::ClearSelection()
{
    for (KindTab& tab : m_tabs) {
        if (IsShown(tab))
            tab.pModel->SetAllChecked(false);
    }
}

void TfmSGData::ShowOptions()
{
    TfmDupOption dialog(this);
    dialog.ExchangeData(false);
    if (dialog.exec() != QDialog::Accepted)
        return;
    FindDups();
    RebuildShownLists();
    ClearLoadAll();
}
