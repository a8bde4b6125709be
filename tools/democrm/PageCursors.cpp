// SPDX-License-Identifier: MIT
#include "PageCursors.h"

#include <QDataStream>
#include <QIODevice>

namespace
{
// Sessions come and go; past this many walks all are forgotten, and each goes by offset once more.
constexpr qsizetype kMaxWalks = 256;
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
    if (it == m_cursors.cend() || it->writes != writes) {
        return {};
    }
    if (it->nextOffset == offset) {
        return {&*it, &it->last};
    }
    if (it->nextOffset - 1 == offset && !it->beforeLast.isEmpty()) {
        return {&*it, &it->beforeLast};
    }
    return {};
}

void PageCursors::remember(const QByteArray& walk, Cursor cursor)
{
    if (m_cursors.size() >= kMaxWalks && !m_cursors.contains(walk)) {
        m_cursors.clear();
    }
    m_cursors.insert(walk, std::move(cursor));
}
