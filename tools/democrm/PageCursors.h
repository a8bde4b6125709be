// SPDX-License-Identifier: MIT
#pragma once

#include "Store.h"

#include <QByteArray>
#include <QHash>
#include <QVector>

// Where each walk through a list stopped, so that a client that asks for the page after the one
// it had gets it by key rather than by skipping every row before it. A client with several pages
// in flight may have them served out of turn, so the last few places of a walk are kept, and a
// page a little past one of them skips the few rows in between. A walk is one session's
// listing of one module with one query, deleted flag and order. A key stays good only while no
// write happened since it was taken: a record added, deleted or changed before it would move the
// rows an offset stands for and change the count, and then the page is found by its offset again.
class PageCursors final
{
public:
    // The walk's place and what it had counted, both as good as the rows they came from. The key of
    // the row before the last is kept too: the helpers start each page on the last row of the page
    // before, to see that the pages join.
    struct Cursor
    {
        qint64 nextOffset = 0;
        quint64 writes = 0;
        SortKey last;
        SortKey beforeLast;
        qint64 total = 0;
    };

    // Where the page at offset starts, for a walk that stopped at offset, one row after it or a
    // few rows before it, with nothing written since: the rows after that key, skipping skip of
    // them. Else a null cursor.
    struct Resume
    {
        const Cursor* cursor = nullptr;
        const SortKey* after = nullptr;
        qint64 skip = 0;
    };

    static QByteArray walk(const QString& session, const QString& module, const QueryFilter& filter,
                           bool includeDeleted, const SortOrder& order);

    Resume find(const QByteArray& walk, qint64 offset, quint64 writes) const;
    void remember(const QByteArray& walk, Cursor cursor);

private:
    QHash<QByteArray, QVector<Cursor>> m_cursors; // the latest place of a walk last
};
