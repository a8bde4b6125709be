// SPDX-License-Identifier: MIT
#include "PageCursors.h"

#include <QDataStream>
#include <QIODevice>

namespace
{
// Sessions come and go; past this many walks all are forgotten, and each goes by offset once more.
constexpr qsizetype kMaxWalks = 256;
// Places kept per walk: more than the pages a client has in flight.
constexpr qsizetype kPlacesPerWalk = 16;
// Rows skipped from a kept place at most; past that the offset is as quick.
constexpr qint64 kMaxSkip = 10000;
} // namespace

QByteArray PageCursors::walk(const QString& session, const QString& module, const QueryFilter& filter,
                             bool includeDeleted, const SortOrder& order)
{
    QByteArray name;
    QDataStream out(&name, QIODevice::WriteOnly);
    out << session << module << filter.sql << filter.values << includeDeleted << order.clause();
    return name;
}

PageCursors::Resume PageCursors::find(const QByteArray& walk, qint64 offset, quint64 writes) const
{
    const auto it = m_cursors.constFind(walk);
    if (it == m_cursors.cend()) {
        return {};
    }
    Resume best;
    for (const Cursor& cursor : *it) {
        if (cursor.writes != writes) {
            continue;
        }
        if (cursor.nextOffset - 1 == offset && !cursor.beforeLast.isEmpty()) {
            return {&cursor, &cursor.beforeLast, 0};
        }
        const qint64 skip = offset - cursor.nextOffset;
        if (skip >= 0 && skip <= kMaxSkip && (!best.cursor || skip < best.skip)) {
            best = {&cursor, &cursor.last, skip};
        }
    }
    return best;
}

void PageCursors::remember(const QByteArray& walk, Cursor cursor)
{
    if (m_cursors.size() >= kMaxWalks && !m_cursors.contains(walk)) {
        m_cursors.clear();
    }
    QVector<Cursor>& places = m_cursors[walk];
    if (places.size() >= kPlacesPerWalk) {
        places.removeFirst();
    }
    places.append(std::move(cursor));
}
