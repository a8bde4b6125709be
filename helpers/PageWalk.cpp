// SPDX-License-Identifier: MIT
#include "PageWalk.h"

#include "HelperLog.h"
#include "SugarReply.h"

#include <QJsonObject>

#include <algorithm>
#include <deque>

namespace
{

// Records per request: small enough for the server's per-record work, large enough to be quick.
constexpr int kPageSize = 100;
// No honest module needs more pages; a server that never ends its list is stopped here.
constexpr int kMaxPages = 200000;

QString EntryId(const QJsonValue& item)
{
    const QJsonObject entry = item.toObject();
    QString id = entry.value(QLatin1String("id")).toString();
    if (id.isEmpty())
        NameValue(entry.value(QLatin1String("name_value_list")), QStringLiteral("id"), id);
    return id;
}

struct PageFacts
{
    QJsonArray entries;
    qint64 nTotal = -1;
    qint64 nNext = 0;

    PageFacts(const QJsonObject& page, qint64 nOffset)
        : entries(page.value(QLatin1String("entry_list")).toArray()),
          nTotal(JsonInteger(page.value(QLatin1String("total_count")), -1)),
          nNext(JsonInteger(page.value(QLatin1String("next_offset")), nOffset + entries.size()))
    {
    }
    bool IsLast(qint64 nOffset) const
    {
        return entries.isEmpty() || nNext <= nOffset || (nTotal >= 0 && nNext >= nTotal);
    }
};

// Pages through a module one request after the other from nOffset on. Records added or deleted
// meanwhile can shift a record past the walk; a change of the count is logged, since nothing
// else would show it.
bool WalkInTurn(SugarClient& client, const QString& moduleName, const QStringList& fields, const TakeEntries& take,
                qint64 nOffset, qint64 nFirstTotal)
{
    bool bChangeLogged = false;
    for (int nPage = 0; nPage < kMaxPages; ++nPage) {
        QJsonObject page;
        if (!client.GetEntryList(moduleName, fields, nOffset, kPageSize, page))
            return false;
        const PageFacts facts(page, nOffset);
        take(facts.entries, 0, facts.nTotal);
        if (facts.nTotal != nFirstTotal && !bChangeLogged) {
            HELPER_LOG(0,
                       "The number of %s changed from %lld to %lld while loading; records added or deleted "
                       "meanwhile may be missing from the load.",
                       qUtf8Printable(moduleName), static_cast<long long>(nFirstTotal),
                       static_cast<long long>(facts.nTotal));
            bChangeLogged = true;
        }
        if (facts.IsLast(nOffset))
            break;
        nOffset = facts.nNext;
    }
    return true;
}

enum class Walk
{
    Done,
    Failed,
    Unplanned, // the first page does not tell where the others begin
    Disagreed  // the pages do not join up: the records changed meanwhile
};

// Asks for the pages after the first one several at a time and takes them in offset order.
// Each page starts with the last record of the one before it: where every page joins its
// predecessor and tells the same total, each record that lived through the walk was read
// exactly once, whatever the order in which the pages were served.
Walk WalkTogether(SugarClient& client, const QString& moduleName, const QStringList& fields, const TakeEntries& take,
                  const PageFacts& first)
{
    const qint64 nFirst = first.entries.size();
    const qint64 nTotal = first.nTotal;
    const int nInFlight = client.GetOptions().nInFlight;
    if (nInFlight < 2 || nTotal < 0 || nFirst < 2 || first.nNext != nFirst)
        return Walk::Unplanned;
    const qint64 nStride = nFirst - 1;
    const qint64 nPages = (nTotal - nFirst + nStride - 1) / nStride;
    if (nPages >= kMaxPages)
        return Walk::Unplanned;
    QString lastId = EntryId(first.entries.last());
    std::deque<SugarClient::Ticket> window;
    qint64 nNextPage = 1;
    for (qint64 nPage = 1; nPage <= nPages; ++nPage) {
        while (static_cast<int>(window.size()) < nInFlight && nNextPage <= nPages) {
            SugarClient::Ticket ticket = 0;
            if (!client.StartEntryList(moduleName, fields, nNextPage * nStride, kPageSize, ticket))
                return Walk::Failed;
            window.push_back(ticket);
            ++nNextPage;
        }
        QJsonObject page;
        const SugarClient::Ticket ticket = window.front();
        window.pop_front();
        if (!client.TakeEntryList(ticket, moduleName, page))
            return Walk::Failed;
        const qint64 nOffset = nPage * nStride;
        const PageFacts facts(page, nOffset);
        const qint64 nExpected = std::min(nFirst, nTotal - nOffset);
        if (facts.nTotal != nTotal || facts.entries.size() != nExpected || lastId.isEmpty() ||
            EntryId(facts.entries.first()) != lastId) {
            HELPER_LOG(0,
                       "The pages of %s do not join up at %lld (%lld of %lld records, total %lld of %lld): the "
                       "records changed while loading; loading them again page by page.",
                       qUtf8Printable(moduleName), static_cast<long long>(nOffset),
                       static_cast<long long>(facts.entries.size()), static_cast<long long>(nExpected),
                       static_cast<long long>(facts.nTotal), static_cast<long long>(nTotal));
            client.Abandon();
            return Walk::Disagreed;
        }
        lastId = EntryId(facts.entries.last());
        take(facts.entries, 1, nTotal);
    }
    return Walk::Done;
}

} // namespace

bool WalkModule(SugarClient& client, const QString& moduleName, const QStringList& fields, const TakeEntries& take)
{
    QJsonObject page;
    if (!client.GetEntryList(moduleName, fields, 0, kPageSize, page))
        return false;
    const PageFacts first(page, 0);
    take(first.entries, 0, first.nTotal);
    if (!first.IsLast(0)) {
        switch (WalkTogether(client, moduleName, fields, take, first)) {
        case Walk::Done:
            break;
        case Walk::Failed:
            return false;
        case Walk::Unplanned:
            if (!WalkInTurn(client, moduleName, fields, take, first.nNext, first.nTotal))
                return false;
            break;
        case Walk::Disagreed:
            // From the start again; the records handed on so far come again and are skipped by id.
            if (!WalkInTurn(client, moduleName, fields, take, 0, first.nTotal))
                return false;
            break;
        }
    }
    return true;
}
