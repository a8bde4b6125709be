// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractTableModel>

#include <cstddef>
#include <vector>

// The rows of one review list: a borrowed kind record and a tick per row. The cells are read from
// the record, and from the record kept for it, when the view asks for them, so a rebuild only
// refills the row vector and stays fast however many records were loaded.
class RecordListModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RecordListModel)

public:
    // nKind, the kind's place in kDataKinds, decides the columns and how a record turns into cells.
    explicit RecordListModel(int nKind, QObject* pParent = nullptr);

    // The width in pixels that the column starts with.
    int ColumnWidth(int nColumn) const;
    // Whether a click selects the whole row rather than one cell.
    bool SelectsRows() const;

    // Replaces every row; each new row carries the tick given.
    void SetRecords(std::vector<void*> records, bool bChecked);
    void SetAllChecked(bool bChecked);

    void* RecordAt(int nRow) const;
    bool IsChecked(int nRow) const;
    void SetChecked(int nRow, bool bChecked);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int nRole = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int nSection, Qt::Orientation orientation, int nRole = Qt::DisplayRole) const override;

private:
    QString CellText(const void* pRecord, int nColumn) const;
    // For a ticked row while a merge option is on: the line saying which record it is merged into.
    QString MergeText(std::size_t nRow) const;

    int m_nKind;
    std::vector<void*> m_records;
    // One byte per row rather than std::vector<bool>, so a tick is a plain load and store.
    std::vector<unsigned char> m_checked;
};
