// SPDX-License-Identifier: MIT
#include "gui/RecordListModel.h"

#include "core/AppSettings.h"
#include "core/DataKinds.h"
#include "core/KindMemo.h"
#include "core/MergeJob.h"
#include "gui/AnsiText.h"
#include "gui/KeptRecordCells.h"
#include "misc/CxDateTime.h"
#include "records/SGRecords.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <utility>

namespace
{

QString Text(const char* szText)
{
    return FromAnsi(szText);
}

// The record type behind a pointer to one of its members.
template <class Member> struct RecordOf;
template <class Record, class Field> struct RecordOf<Field Record::*>
{
    using Type = Record;
};

template <auto Field> const auto& FieldOf(const void* pRecord)
{
    return static_cast<const typename RecordOf<decltype(Field)>::Type*>(pRecord)->*Field;
}

template <auto Field> QString TextCell(const void* pRecord)
{
    return Text(FieldOf<Field>(pRecord));
}

template <auto Field> QString TimeCell(const void* pRecord)
{
    char szText[32] = {};
    FormatTimeText(FieldOf<Field>(pRecord), szText, sizeof szText);
    return Text(szText);
}

template <auto Field> QString DateCell(const void* pRecord)
{
    char szText[32] = {};
    FormatDateText(FieldOf<Field>(pRecord), szText, sizeof szText);
    return Text(szText);
}

// A note has no text of its own to show.
QString NoteCell(const void*)
{
    return QStringLiteral("Note Text");
}

const ListColumn kAddrColumns[] = {
    {"First Name", 120, TextCell<&SGAddrRecord::szFirstName>},
    {"Last Name", 120, TextCell<&SGAddrRecord::szLastName>},
    {"Email", 120, TextCell<&SGAddrRecord::szEmail1>},
    {"Work Phone", 120, TextCell<&SGAddrRecord::szWorkPhone>},
    {"Mobile Phone", 120, TextCell<&SGAddrRecord::szMobilePhone>},
};
const ListColumn kDateColumns[] = {
    {"Subject", 200, TextCell<&SGDateRecord::szSubject>},   {"Start Time", 80, TimeCell<&SGDateRecord::dtStart>},
    {"End Time", 80, TimeCell<&SGDateRecord::dtEnd>},       {"Status", 100, TextCell<&SGDateRecord::szStatus>},
    {"Location", 150, TextCell<&SGDateRecord::szLocation>},
};
const ListColumn kTaskColumns[] = {
    {"Subject", 200, TextCell<&SGTaskRecord::szSubject>},
    {"Importance", 80, TextCell<&SGTaskRecord::szPriority>},
    {"Due Date", 80, DateCell<&SGTaskRecord::dtDue>},
    {"Description", 240, TextCell<&SGTaskRecord::szDescription>},
};
const ListColumn kNoteColumns[] = {
    {"Notes", 600, NoteCell},
};

template <class Record> const void* TargetOf(const void* pRecord)
{
    return MergeTargetOf(static_cast<const Record*>(pRecord));
}

template <class Record> QString DescribeOf(const void* pRecord)
{
    return Text(DescribeRecord(*static_cast<const Record*>(pRecord)).c_str());
}

// A kind that can be merged: where a record goes, and how that record is named.
struct MergeView
{
    const void* (*pfnTarget)(const void* pRecord);
    QString (*pfnDescribe)(const void* pRecord);
};

template <class Record> constexpr MergeView Merge()
{
    return {TargetOf<Record>, DescribeOf<Record>};
}

// The review list of each kind, in DataKind order.
struct KindView
{
    const ListColumn* pColumns;
    int nCount;
    bool bSelectRows;
    MergeView merge; // null functions for a kind that is deleted plainly
};

template <std::size_t N>
constexpr KindView View(const ListColumn (&columns)[N], bool bSelectRows, MergeView merge = {nullptr, nullptr})
{
    return {columns, static_cast<int>(N), bSelectRows, merge};
}

// Notes carry no server id in this program, so they are never merged.
const KindView kViews[] = {
    View(kAddrColumns, true, Merge<SGAddrRecord>()),
    View(kDateColumns, true, Merge<SGDateRecord>()),
    View(kTaskColumns, false, Merge<SGTaskRecord>()),
    View(kNoteColumns, false),
};
static_assert(std::size(kViews) == kDataKindCount, "one review list per kind");

const KindView& ViewOf(int nKind)
{
    return kViews[nKind >= 0 && nKind < kDataKindCount ? nKind : kDataKindCount - 1];
}

// The record's own columns, then those of the record kept for it.
const ListColumn* ColumnOf(int nKind, int nColumn)
{
    const KindView& view = ViewOf(nKind);
    if (nColumn >= 0 && nColumn < view.nCount)
        return &view.pColumns[nColumn];
    const ListColumns kept = KeptColumnsOf(nKind);
    const int nKept = nColumn - view.nCount;
    return nKept >= 0 && nKept < kept.nCount ? &kept.pColumns[nKept] : nullptr;
}

} // namespace

RecordListModel::RecordListModel(int nKind, QObject* pParent) : QAbstractTableModel(pParent), m_nKind(nKind) {}

int RecordListModel::ColumnWidth(int nColumn) const
{
    const ListColumn* pColumn = ColumnOf(m_nKind, nColumn);
    return pColumn != nullptr ? pColumn->nWidth : 0;
}

bool RecordListModel::SelectsRows() const
{
    return ViewOf(m_nKind).bSelectRows;
}

void RecordListModel::SetRecords(std::vector<void*> records, bool bChecked)
{
    beginResetModel();
    m_records = std::move(records);
    m_checked.assign(m_records.size(), bChecked ? 1 : 0);
    endResetModel();
}

void RecordListModel::SetAllChecked(bool bChecked)
{
    if (m_records.empty())
        return;
    m_checked.assign(m_records.size(), bChecked ? 1 : 0);
    emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::CheckStateRole});
}

void* RecordListModel::RecordAt(int nRow) const
{
    return nRow >= 0 && nRow < rowCount() ? m_records[static_cast<std::size_t>(nRow)] : nullptr;
}

bool RecordListModel::IsChecked(int nRow) const
{
    return nRow >= 0 && nRow < rowCount() && m_checked[static_cast<std::size_t>(nRow)] != 0;
}

void RecordListModel::SetChecked(int nRow, bool bChecked)
{
    if (nRow < 0 || nRow >= rowCount())
        return;
    m_checked[static_cast<std::size_t>(nRow)] = bChecked ? 1 : 0;
    const QModelIndex cell = index(nRow, 0);
    emit dataChanged(cell, cell, {Qt::CheckStateRole});
}

int RecordListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_records.size());
}

int RecordListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ViewOf(m_nKind).nCount + KeptColumnsOf(m_nKind).nCount;
}

QVariant RecordListModel::data(const QModelIndex& index, int nRole) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const std::size_t nRow = static_cast<std::size_t>(index.row());
    if (nRole == Qt::CheckStateRole && index.column() == 0)
        return m_checked[nRow] != 0 ? Qt::Checked : Qt::Unchecked;
    if (nRole == Qt::DisplayRole)
        return CellText(m_records[nRow], index.column());
    // The tooltip shows a value whole where the column cuts it short, and where a ticked row goes.
    if (nRole == Qt::ToolTipRole)
        return CellText(m_records[nRow], index.column()) + MergeText(nRow);
    return {};
}

QString RecordListModel::MergeText(std::size_t nRow) const
{
    const MergeView& merge = ViewOf(m_nKind).merge;
    if (m_checked[nRow] == 0 || merge.pfnTarget == nullptr || MergeOptionsOf(AppSettings) == 0)
        return {};
    const void* pTarget = merge.pfnTarget(m_records[nRow]);
    // Only a hover asks, so one search of the rows costs nothing noticeable.
    const auto found = std::find(m_records.begin(), m_records.end(), pTarget);
    if (pTarget != nullptr &&
        (found == m_records.end() || m_checked[static_cast<std::size_t>(found - m_records.begin())] == 0))
        return QStringLiteral("\nMerged into: ") + merge.pfnDescribe(pTarget);
    return QStringLiteral("\nDeleted without merging: no record it duplicates stays.");
}

bool RecordListModel::setData(const QModelIndex& index, const QVariant& value, int nRole)
{
    if (!index.isValid() || index.column() != 0 || nRole != Qt::CheckStateRole)
        return false;
    SetChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags RecordListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags itemFlags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 0)
        itemFlags |= Qt::ItemIsUserCheckable;
    return itemFlags;
}

QVariant RecordListModel::headerData(int nSection, Qt::Orientation orientation, int nRole) const
{
    const ListColumn* pColumn = ColumnOf(m_nKind, nSection);
    if (orientation != Qt::Horizontal || nRole != Qt::DisplayRole || pColumn == nullptr)
        return {};
    return Text(pColumn->szCaption);
}

QString RecordListModel::CellText(const void* pRecord, int nColumn) const
{
    const ListColumn* pColumn = ColumnOf(m_nKind, nColumn);
    return pRecord != nullptr && pColumn != nullptr ? pColumn->pfnCell(pRecord) : QString();
}
