// SPDX-License-Identifier: MIT
#include "gui/TfmSGData.h"

#include "SugarCRM/CxSGAddr.h"
#include "SugarCRM/CxSGDate.h"
#include "SugarCRM/CxSGNote.h"
#include "SugarCRM/CxSGTask.h"
#include "core/AppSettings.h"
#include "core/Detection.h"
#include "core/RecordCursor.h"
#include "core/WorkSet.h"
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

#include <unordered_set>
#include <vector>

// What the page needs of one kind; the functions hide the kind's record type.
struct ReviewKindOps
{
    int32_t nFlag;
    CxList* (*pfnDups)();
    uint32_t (*pfnStoreCount)();
    void* (*pfnFirst)();
    void* (*pfnNext)();
    uint32_t* (*pfnFlags)(void* pRecord);
    bool (*pfnFind)();
    const char* szTabName;   // "Contacts" of "Contacts (%d Dups)"
    const char* szCountName; // "Contact" of "%d Contact records in total"
};

namespace
{

template <class Bridge> uint32_t StoreCount(Bridge* pBridge)
{
    return pBridge != nullptr ? pBridge->GetStore()->GetEntryCount() : 0;
}

template <class Record> uint32_t* FlagsOf(void* pRecord)
{
    return &static_cast<Record*>(pRecord)->dwFlags;
}

const ReviewKindOps kAddrOps = {
    DataKind::Contacts,
    [] { return WorkSet.pAddrDups; },
    [] { return StoreCount(WorkSet.pAddrUtil); },
    [] { return static_cast<void*>(GetFirstAddrRecord()); },
    [] { return static_cast<void*>(GetNextAddrRecord()); },
    FlagsOf<SGAddrRecord>,
    FindAddrDups,
    "Contacts",
    "Contact",
};

const ReviewKindOps kDateOps = {
    DataKind::Calendar,
    [] { return WorkSet.pDateDups; },
    [] { return StoreCount(WorkSet.pDateUtil); },
    [] { return static_cast<void*>(GetFirstDateRecord()); },
    [] { return static_cast<void*>(GetNextDateRecord()); },
    FlagsOf<SGDateRecord>,
    FindDateDups,
    "Calendar",
    "Calendar",
};

const ReviewKindOps kTaskOps = {
    DataKind::Tasks,
    [] { return WorkSet.pTaskDups; },
    [] { return StoreCount(WorkSet.pTaskUtil); },
    [] { return static_cast<void*>(GetFirstTaskRecord()); },
    [] { return static_cast<void*>(GetNextTaskRecord()); },
    FlagsOf<SGTaskRecord>,
    FindTaskDups,
    "Tasks",
    "Task",
};

const ReviewKindOps kNoteOps = {
    DataKind::Notes,
    [] { return WorkSet.pNoteDups; },
    [] { return StoreCount(WorkSet.pNoteUtil); },
    [] { return static_cast<void*>(GetFirstNoteRecord()); },
    [] { return static_cast<void*>(GetNextNoteRecord()); },
    FlagsOf<SGNoteRecord>,
    FindNoteDups,
    "Notes",
    "Note",
};

} // namespace

TfmSGData::TfmSGData(QWidget* pParent) : TfmPage(pParent)
{
    setObjectName(QStringLiteral("TfmSGData"));

    m_pData = Named(new QTabWidget(this), "pData");
    AddKindTab(0, kAddrOps, RecordListModel::Kind::Addr, "tAddr", "lvAddr", "cbAddrAll", "Load All Contacts Data",
               "lblAddrCount", "Contacts");
    AddKindTab(1, kDateOps, RecordListModel::Kind::Date, "tDate", "lvDate", "cbDateAll", "Load All Calendar Data",
               "lblDateCount", "Calendar");
    AddKindTab(2, kTaskOps, RecordListModel::Kind::Task, "tTask", "lvTask", "cbTaskAll", "Load All Tasks Data",
               "lblTaskCount", "Task");
    AddKindTab(3, kNoteOps, RecordListModel::Kind::Note, "tNote", "lvNote", "cbNoteAll", "Load All Notes Data",
               "lblNoteCount", "Notes");

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

void TfmSGData::AddKindTab(int nIndex, const ReviewKindOps& ops, RecordListModel::Kind kind, const char* szTab,
                           const char* szList, const char* szAll, const char* szAllCaption, const char* szCount,
                           const char* szCaption)
{
    KindTab& tab = m_tabs[nIndex];
    tab.pOps = &ops;
    tab.pTab = Named(new QWidget(m_pData), szTab);
    tab.pModel = new RecordListModel(kind, this);
    tab.pList = Named(new QTreeView(tab.pTab), szList);
    tab.pList->setModel(tab.pModel);
    tab.pList->setRootIsDecorated(false);
    tab.pList->setItemsExpandable(false);
    // Every row is one line high: the view then never measures rows, whatever their number.
    tab.pList->setUniformRowHeights(true);
    tab.pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tab.pList->setSelectionMode(QAbstractItemView::SingleSelection);
    tab.pList->setSelectionBehavior(kind == RecordListModel::Kind::Addr || kind == RecordListModel::Kind::Date
                                        ? QAbstractItemView::SelectRows
                                        : QAbstractItemView::SelectItems);
    for (int nColumn = 0; nColumn < tab.pModel->columnCount(); ++nColumn)
        tab.pList->setColumnWidth(nColumn, RecordListModel::ColumnWidth(kind, nColumn));
    // The last column takes the width that is left rather than leaving it empty.
    tab.pList->header()->setStretchLastSection(true);

    tab.pAll = Named(new QCheckBox(QString::fromLatin1(szAllCaption), tab.pTab), szAll);
    tab.pCount = Named(new QLabel(tab.pTab), szCount);

    auto* pBelow = new QHBoxLayout;
    pBelow->addWidget(tab.pAll);
    pBelow->addSpacing(24);
    pBelow->addWidget(tab.pCount);
    pBelow->addStretch();
    auto* pColumn = new QVBoxLayout(tab.pTab);
    pColumn->addWidget(tab.pList, 1);
    pColumn->addLayout(pBelow);
    m_pData->addTab(tab.pTab, QString::fromLatin1(szCaption));

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
    for (int i = 0; i < kKinds; ++i) {
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
    return (AppSettings.AppFlag & tab.pOps->nFlag) != 0;
}

void TfmSGData::FindDups()
{
    for (const KindTab& tab : m_tabs) {
        if (IsShown(tab))
            tab.pOps->pfnFind();
    }
}

void TfmSGData::RebuildList(KindTab& tab, bool bAllRecords)
{
    CxList* pDups = tab.pOps->pfnDups();
    if (pDups == nullptr)
        return;

    std::vector<void*> records;
    if (bAllRecords) {
        records.reserve(tab.pOps->pfnStoreCount());
        for (void* pRecord = tab.pOps->pfnFirst(); pRecord != nullptr; pRecord = tab.pOps->pfnNext())
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
    const QString name = QString::fromLatin1(tab.pOps->szTabName);
    m_pData->setTabText(m_pData->indexOf(tab.pTab), nDups >= 2 ? QStringLiteral("%1 (%2 Dups)").arg(name).arg(nDups)
                                                               : QStringLiteral("%1 (%2 Dup)").arg(name).arg(nDups));
    tab.pCount->setText(QStringLiteral("%1 %2 records in total")
                            .arg(tab.pOps->pfnStoreCount())
                            .arg(QString::fromLatin1(tab.pOps->szCountName)));
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
    CxList* pDups = tab.pOps->pfnDups();
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
        uint32_t* pFlags = tab.pOps->pfnFlags(pRecord);
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
