// SPDX-License-Identifier: MIT
#include "gui/RecordListModel.h"

#include "misc/CxDateTime.h"
#include "records/SGRecords.h"

#include <iterator>
#include <utility>

namespace
{

struct Column
{
    const char* szCaption;
    int nWidth;
};

const Column kAddrColumns[] = {
    {"First Name", 120}, {"Last Name", 120}, {"Email", 120}, {"Work Phone", 120}, {"Mobile Phone", 120},
};
const Column kDateColumns[] = {
    {"Subject", 200}, {"Start Time", 80}, {"End Time", 80}, {"Status", 100}, {"Location", 150},
};
const Column kTaskColumns[] = {
    {"Subject", 200},
    {"Importance", 80},
    {"Due Date", 80},
    {"Description", 240},
};
const Column kNoteColumns[] = {
    {"Notes", 600},
};

struct ColumnSet
{
    const Column* pColumns;
    int nCount;
};

ColumnSet ColumnsOf(RecordListModel::Kind kind)
{
    switch (kind) {
    case RecordListModel::Kind::Addr:
        return {kAddrColumns, static_cast<int>(std::size(kAddrColumns))};
    case RecordListModel::Kind::Date:
        return {kDateColumns, static_cast<int>(std::size(kDateColumns))};
    case RecordListModel::Kind::Task:
        return {kTaskColumns, static_cast<int>(std::size(kTaskColumns))};
    default:
        return {kNoteColumns, static_cast<int>(std::size(kNoteColumns))};
    }
}

QString Text(const char* szText)
{
    return QString::fromUtf8(szText);
}

QString TimeText(double dtValue)
{
    char szText[32] = {};
    FormatTimeText(dtValue, szText, sizeof szText);
    return Text(szText);
}

QString DateText(double dtValue)
{
    char szText[32] = {};
    FormatDateText(dtValue, szText, sizeof szText);
    return Text(szText);
}

} // namespace

RecordListModel::RecordListModel(Kind kind, QObject* pParent) : QAbstractTableModel(pParent), m_kind(kind) {}

int RecordListModel::ColumnWidth(Kind kind, int nColumn)
{
    const ColumnSet columns = ColumnsOf(kind);
    return nColumn >= 0 && nColumn < columns.nCount ? columns.pColumns[nColumn].nWidth : 0;
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
    return parent.isValid() ? 0 : ColumnsOf(m_kind).nCount;
}

QVariant RecordListModel::data(const QModelIndex& index, int nRole) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const std::size_t nRow = static_cast<std::size_t>(index.row());
    if (nRole == Qt::CheckStateRole && index.column() == 0)
        return m_checked[nRow] != 0 ? Qt::Checked : Qt::Unchecked;
    // The tooltip shows a value whole where the column cuts it short.
    if (nRole == Qt::DisplayRole || nRole == Qt::ToolTipRole)
        return CellText(m_records[nRow], index.column());
    return {};
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
    const ColumnSet columns = ColumnsOf(m_kind);
    if (orientation != Qt::Horizontal || nRole != Qt::DisplayRole || nSection < 0 || nSection >= columns.nCount)
        return {};
    return Text(columns.pColumns[nSection].szCaption);
}

QString RecordListModel::CellText(const void* pRecord, int nColumn) const
{
    if (pRecord == nullptr)
        return {};
    switch (m_kind) {
    case Kind::Addr: {
        const auto* pAddr = static_cast<const SGAddrRecord*>(pRecord);
        const char* const cells[] = {pAddr->szFirstName, pAddr->szLastName, pAddr->szEmail1, pAddr->szWorkPhone,
                                     pAddr->szMobilePhone};
        return nColumn >= 0 && nColumn < static_cast<int>(std::size(cells)) ? Text(cells[nColumn]) : QString();
    }
    case Kind::Date: {
        const auto* pDate = static_cast<const SGDateRecord*>(pRecord);
        switch (nColumn) {
        case 0:
            return Text(pDate->szSubject);
        case 1:
            return TimeText(pDate->dtStart);
        case 2:
            return TimeText(pDate->dtEnd);
        case 3:
            return Text(pDate->szStatus);
        case 4:
            return Text(pDate->szLocation);
        default:
            return {};
        }
    }
    case Kind::Task: {
        const auto* pTask = static_cast<const SGTaskRecord*>(pRecord);
        switch (nColumn) {
        case 0:
            return Text(pTask->szSubject);
        case 1:
            return Text(pTask->szPriority);
        case 2:
            return DateText(pTask->dtDue);
        case 3:
            return Text(pTask->szDescription);
        default:
            return {};
        }
    }
    default:
        // A note has no text of its own to show.
        return nColumn == 0 ? QStringLiteral("Note Text") : QString();
    }
}
