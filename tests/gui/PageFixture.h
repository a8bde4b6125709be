// SPDX-License-Identifier: MIT
// A work set as a load leaves it, filled from the test's records, for the review and deletion pages.
#pragma once

#include "GuiTestSupport.h"
#include "core/WorkSet.h"
#include "misc/CxCommWaitWindow.h"
#include "misc/TextUtil.h"
#include "unit/WorkSetTestUtil.h"

#include <QAbstractItemModel>
#include <QStringList>
#include <QTreeView>

#include <cstring>

inline SGAddrRecord Addr(const char* szFirst, const char* szLast, const char* szEmail, double dtModified)
{
    SGAddrRecord record;
    CopyText(record.szFirstName, szFirst);
    CopyText(record.szLastName, szLast);
    CopyText(record.szEmail1, szEmail);
    record.dtModified = dtModified;
    return record;
}

inline SGDateRecord Event(const char* szSubject, double dtStart, double dtEnd, double dtModified)
{
    SGDateRecord record;
    CopyText(record.szSubject, szSubject);
    record.dtStart = dtStart;
    record.dtEnd = dtEnd;
    record.dtModified = dtModified;
    return record;
}

inline SGTaskRecord Task(const char* szSubject, const char* szPriority, double dtDue, double dtModified)
{
    SGTaskRecord record;
    CopyText(record.szSubject, szSubject);
    CopyText(record.szPriority, szPriority);
    record.dtDue = dtDue;
    record.dtModified = dtModified;
    return record;
}

// 2009-03-05 14:30:00 and 16:00:15 as OLE dates.
constexpr double kMarch5At1430 = 39877.604166666664;
constexpr double kMarch5At160015 = 39877.66684027778;

// How many cells of a review row are the record's own, ahead of those of the record kept for it.
constexpr int kAddrCells = 5;
constexpr int kDateCells = 5;
constexpr int kTaskCells = 4;

// Each row as "[x] cell|cell|..." or "[ ] cell|cell|...", with its first nColumns cells or all.
inline QStringList Rows(const QTreeView* pList, int nColumns = -1)
{
    QStringList rows;
    const QAbstractItemModel* pModel = pList->model();
    const int nShown = nColumns >= 0 ? nColumns : pModel->columnCount();
    for (int nRow = 0; nRow < pModel->rowCount(); ++nRow) {
        QStringList cells;
        for (int nColumn = 0; nColumn < nShown; ++nColumn)
            cells << pModel->index(nRow, nColumn).data().toString();
        const bool bTicked = pModel->index(nRow, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked;
        rows << (bTicked ? QStringLiteral("[x] ") : QStringLiteral("[ ] ")) + cells.join(QLatin1Char('|'));
    }
    return rows;
}

// Ticks or unticks a row the way a click on its check box does.
inline void Tick(QTreeView* pList, int nRow, bool bTicked)
{
    pList->model()->setData(pList->model()->index(nRow, 0), bTicked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

class PageTest : public GuiTest
{
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        MakeWorkSet();
    }

    // Four empty bridges pointed at the test's data folder and four empty lists.
    void MakeWorkSet()
    {
        FreeWorkSet();
        MakeEmptyWorkSet(m_szDataFolder);
    }

    void TearDown() override
    {
        FreeWorkSet();
        EXPECT_TRUE(JoinWaitThread(5000));
        GuiTest::TearDown();
    }

    template <class Kind> void Fill(CxSGRecordBridge<Kind>* pBridge, const std::vector<typename Kind::Record>& records)
    {
        ASSERT_TRUE(FillBridge(*pBridge, DataFolder(), records));
    }
};

// The records of a data file as a bridge wrote it.
template <class Kind> std::vector<typename Kind::Record> ReadRecords(const std::string& path)
{
    std::vector<typename Kind::Record> records;
    CxFile file;
    int32_t nCount = 0;
    if (!file.Open(path.c_str(), "rb") || !file.ReadInt(&nCount))
        return records;
    for (int32_t i = 0; i < nCount && !file.AtEnd(); ++i) {
        records.emplace_back();
        Kind::ReadRecord(file, records.back());
    }
    file.Close();
    return records;
}
