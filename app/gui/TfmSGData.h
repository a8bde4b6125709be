// SPDX-License-Identifier: MIT
#pragma once

#include "core/DataKinds.h"
#include "gui/RecordListModel.h"
#include "gui/TfmPage.h"

class QCheckBox;
class QLabel;
class QTabWidget;
class QTreeView;

// The duplicates review page: one tab per loaded kind listing the records that detection judged
// redundant, each ticked. Leaving it forward turns the ticks into REC_SELECTED and the kinds'
// DuplicateLists, which the deletion page works through.
class TfmSGData final : public TfmPage
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfmSGData)

public:
    explicit TfmSGData(QWidget* pParent = nullptr);

    bool ExchangeData(bool bSave) override;

private:
    struct KindTab
    {
        const DataKindInfo* pInfo = nullptr;
        // These hide the kind's record type.
        uint32_t (*pfnStoreCount)() = nullptr;
        void* (*pfnFirst)() = nullptr;
        void* (*pfnNext)() = nullptr;
        uint32_t* (*pfnFlags)(void* pRecord) = nullptr;
        QWidget* pTab = nullptr;
        QTreeView* pList = nullptr;
        RecordListModel* pModel = nullptr;
        QCheckBox* pAll = nullptr;
        QLabel* pCount = nullptr;
    };

    template <class Tag> void AddKindTab(Tag tag);
    bool IsShown(const KindTab& tab) const;
    void FindDups();
    void RebuildList(KindTab& tab, bool bAllRecords);
    void RebuildShownLists();
    void ClearLoadAll();
    void TakeTicks(KindTab& tab);
    void SelectAll();
    void ClearSelection();
    void ShowOptions();

    QTabWidget* m_pData = nullptr;
    KindTab m_tabs[kDataKindCount];
};
