// SPDX-License-Identifier: MIT
#pragma once

#include "gui/RecordListModel.h"
#include "gui/TfmPage.h"

class QCheckBox;
class QLabel;
class QTabWidget;
class QTreeView;
struct ReviewKindOps;

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
        const ReviewKindOps* pOps = nullptr;
        QWidget* pTab = nullptr;
        QTreeView* pList = nullptr;
        RecordListModel* pModel = nullptr;
        QCheckBox* pAll = nullptr;
        QLabel* pCount = nullptr;
    };

    static constexpr int kKinds = 4;

    void AddKindTab(int nIndex, const ReviewKindOps& ops, RecordListModel::Kind kind, const char* szTab,
                    const char* szList, const char* szAll, const char* szAllCaption, const char* szCount,
                    const char* szCaption);
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
    KindTab m_tabs[kKinds];
};
