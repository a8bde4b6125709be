// SPDX-License-Identifier: MIT
#include "gui/KeptRecordCells.h"

#include "core/DataKinds.h"
#include "core/Detection.h"
#include "core/MatchReason.h"
#include "gui/AnsiText.h"
#include "gui/RuleBoxes.h"
#include "misc/CxDateTime.h"
#include "records/SGRecords.h"

#include <QStringList>

#include <iterator>
#include <vector>

namespace
{

template <class Record> struct Kept;
template <> struct Kept<SGAddrRecord>
{
    static const SGAddrRecord* Of(const SGAddrRecord* pRecord) { return GetKeptAddr(pRecord); }
    static std::vector<RuleAgreement> Agreement(const SGAddrRecord& record, const SGAddrRecord& kept)
    {
        return GetAddrAgreement(record, kept);
    }
};
template <> struct Kept<SGDateRecord>
{
    static const SGDateRecord* Of(const SGDateRecord* pRecord) { return GetKeptDate(pRecord); }
    static std::vector<RuleAgreement> Agreement(const SGDateRecord& record, const SGDateRecord& kept)
    {
        return GetDateAgreement(record, kept);
    }
};
template <> struct Kept<SGTaskRecord>
{
    static const SGTaskRecord* Of(const SGTaskRecord* pRecord) { return GetKeptTask(pRecord); }
    static std::vector<RuleAgreement> Agreement(const SGTaskRecord& record, const SGTaskRecord& kept)
    {
        return GetTaskAgreement(record, kept);
    }
};

template <class Record> const Record* KeptOf(const void* pRecord)
{
    return Kept<Record>::Of(static_cast<const Record*>(pRecord));
}

template <class Member> struct RecordOf;
template <class Record, class Field> struct RecordOf<Field Record::*>
{
    using Type = Record;
};

template <auto Field> QString KeptText(const void* pRecord)
{
    const auto* pKept = KeptOf<typename RecordOf<decltype(Field)>::Type>(pRecord);
    return pKept != nullptr ? FromAnsi(pKept->*Field) : QString();
}

QString KeptContactName(const void* pRecord)
{
    const SGAddrRecord* pKept = KeptOf<SGAddrRecord>(pRecord);
    if (pKept == nullptr)
        return {};
    QStringList parts;
    for (const char* szPart : {pKept->szFirstName, pKept->szLastName}) {
        if (szPart[0] != '\0')
            parts << FromAnsi(szPart);
    }
    return parts.join(QLatin1Char(' '));
}

template <class Record> QString KeptModified(const void* pRecord)
{
    const Record* pKept = KeptOf<Record>(pRecord);
    if (pKept == nullptr)
        return {};
    char szDate[32] = {};
    char szTime[32] = {};
    FormatDateText(pKept->dtModified, szDate, sizeof szDate);
    FormatTimeText(pKept->dtModified, szTime, sizeof szTime);
    // No date reads N/A once; outside the years that the date text covers the time stands alone.
    if (QLatin1String(szDate) == QLatin1String("N/A") || szDate[0] == '\0')
        return QString::fromLatin1(szTime);
    return QString::fromLatin1(szDate) + QLatin1Char(' ') + QString::fromLatin1(szTime);
}

// The rules that held, in the dialog's words, with those that held only by an empty value marked:
// an empty slot is what lets two different people match. A rule that fails can only come from a
// chain of keepers and is named last.
QString AgreementText(const std::vector<RuleAgreement>& rows)
{
    if (rows.empty())
        return QStringLiteral("no rule switched on");
    QStringList agreed;
    QStringList differs;
    for (const RuleAgreement& row : rows) {
        const char* szCaption = RuleCaption(row.pSwitch);
        const QString caption = QString::fromLatin1(szCaption != nullptr ? szCaption : "?");
        switch (row.agreement) {
        case Agreement::Equal:
            agreed << caption;
            break;
        case Agreement::PartlyEmpty:
            agreed << caption + QStringLiteral(" (partly empty)");
            break;
        case Agreement::Empty:
            agreed << caption + QStringLiteral(" (empty)");
            break;
        case Agreement::Differs:
            differs << caption;
            break;
        }
    }
    QString text = agreed.join(QStringLiteral(", "));
    if (!differs.isEmpty())
        text += (text.isEmpty() ? QString() : QStringLiteral("; ")) + QStringLiteral("differs: ") +
                differs.join(QStringLiteral(", "));
    return text;
}

template <class Record> QString AgreedOn(const void* pRecord)
{
    const Record* pKept = KeptOf<Record>(pRecord);
    if (pKept == nullptr)
        return {};
    return AgreementText(Kept<Record>::Agreement(*static_cast<const Record*>(pRecord), *pKept));
}

const ListColumn kAddrKept[] = {
    {"Kept Name", 140, KeptContactName},
    {"Kept Email", 160, KeptText<&SGAddrRecord::szEmail1>},
    {"Kept Modified", 140, KeptModified<SGAddrRecord>},
    {"Agreed On", 300, AgreedOn<SGAddrRecord>},
};
const ListColumn kDateKept[] = {
    {"Kept Subject", 200, KeptText<&SGDateRecord::szSubject>},
    {"Kept Modified", 140, KeptModified<SGDateRecord>},
    {"Agreed On", 300, AgreedOn<SGDateRecord>},
};
const ListColumn kTaskKept[] = {
    {"Kept Subject", 200, KeptText<&SGTaskRecord::szSubject>},
    {"Kept Modified", 140, KeptModified<SGTaskRecord>},
    {"Agreed On", 300, AgreedOn<SGTaskRecord>},
};

template <std::size_t N> constexpr ListColumns Columns(const ListColumn (&columns)[N])
{
    return {columns, static_cast<int>(N)};
}

// In DataKind order.
const ListColumns kKept[] = {Columns(kAddrKept), Columns(kDateKept), Columns(kTaskKept), {nullptr, 0}};
static_assert(std::size(kKept) == kDataKindCount, "kept-record columns for every kind");

} // namespace

ListColumns KeptColumnsOf(int nKind)
{
    return nKind >= 0 && nKind < kDataKindCount ? kKept[nKind] : ListColumns{nullptr, 0};
}
