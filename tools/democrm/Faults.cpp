// SPDX-License-Identifier: MIT
#include "Faults.h"

#include <QCommandLineParser>

#include <limits>

namespace
{
// Long enough for any time-out a test wants to pass, short enough that a held answer still ends.
constexpr int kMaxWaitMs = 600000;

const QString kFail = QStringLiteral("fail-request");
const QString kGarbage = QStringLiteral("garbage-request");
const QString kCut = QStringLiteral("cut-request");
const QString kDelay = QStringLiteral("delay-request");
const QString kDelayMs = QStringLiteral("delay-ms");
const QString kMethod = QStringLiteral("fault-method");
const QString kLatency = QStringLiteral("latency-ms");
const QString kSessionUses = QStringLiteral("session-expires-after");
const QString kRefuseLogin = QStringLiteral("refuse-login");
const QString kFailLink = QStringLiteral("fail-link");

bool readNumber(const QString& text, qint64 low, qint64 high, qint64* number)
{
    bool ok = false;
    *number = text.toLongLong(&ok);
    return ok && *number >= low && *number <= high;
}

bool readMs(const QCommandLineParser& parser, const QString& name, qint64 low, int* ms, QString* error)
{
    if (!parser.isSet(name)) {
        return true;
    }
    qint64 value = 0;
    if (!readNumber(parser.value(name), low, kMaxWaitMs, &value)) {
        *error = QStringLiteral("--%1 must be a number from %2 to %3").arg(name).arg(low).arg(kMaxWaitMs);
        return false;
    }
    *ms = static_cast<int>(value);
    return true;
}
} // namespace

bool RequestNumbers::add(const QString& text)
{
    for (const QString& item : text.split(u',')) {
        const qsizetype dash = item.indexOf(u'-');
        qint64 first = 0;
        qint64 last = 0;
        if (!readNumber(dash < 0 ? item : item.left(dash), 1, std::numeric_limits<qint64>::max(), &first) ||
            !readNumber(dash < 0 ? item : item.mid(dash + 1), first, std::numeric_limits<qint64>::max(), &last)) {
            return false;
        }
        m_ranges.append({first, last});
    }
    return true;
}

bool RequestNumbers::contains(qint64 number) const
{
    for (const auto& [first, last] : m_ranges) {
        if (number >= first && number <= last) {
            return true;
        }
    }
    return false;
}

qint64 RequestNumbers::firstCommon(const RequestNumbers& other) const
{
    qint64 lowest = 0;
    for (const auto& [first, last] : m_ranges) {
        for (const auto& [otherFirst, otherLast] : other.m_ranges) {
            const qint64 from = qMax(first, otherFirst);
            if (from <= qMin(last, otherLast) && (lowest == 0 || from < lowest)) {
                lowest = from;
            }
        }
    }
    return lowest;
}

QList<QCommandLineOption> FaultPlan::options()
{
    const QString n = QStringLiteral("N");
    const QString ms = QStringLiteral("ms");
    return {
        {kFail,
         QStringLiteral("Fault: answer request N with HTTP 500 and an empty body, without carrying it out. "
                        "Requests to the REST service are counted from 1 as they arrive (only those of "
                        "--fault-method when given); N may be a list such as 2,5-7."),
         n},
        {kGarbage,
         QStringLiteral("Fault: answer request N with HTTP 200 and a body that is not JSON, without "
                        "carrying it out."),
         n},
        {kCut,
         QStringLiteral("Fault: carry out request N, then send the answer's headers and the first half of its "
                        "body (of a body-less answer only the status line) and close the connection."),
         n},
        {kDelay,
         QStringLiteral("Fault: carry out request N, then hold its answer back for --delay-ms. Other "
                        "connections are served meanwhile."),
         n},
        {kDelayMs,
         QStringLiteral("How long --delay-request holds an answer back: 1 to 600000 ms, default 65000 "
                        "(past the helpers' 60 s time-out)."),
         ms},
        {kMethod,
         QStringLiteral("Count only requests of this REST method (e.g. set_entry) for the --*-request "
                        "switches."),
         QStringLiteral("name")},
        {kLatency,
         QStringLiteral("Hold every answer back for 0 to 600000 ms, as a distant server would. Requests "
                        "are carried out at once and other connections are served meanwhile, so requests in "
                        "flight together wait together. An answer of --delay-request waits this long plus "
                        "--delay-ms."),
         ms},
        {kSessionUses,
         QStringLiteral("A session serves N requests, then expires: the next request with it gets "
                        "error 11, Invalid Session ID."),
         n},
        {kRefuseLogin, QStringLiteral("Refuse every login as for a wrong password (error 10, Invalid Login).")},
        {kFailLink,
         QStringLiteral("Fault: set_relationship on this link answers every id as failed, as the real server "
                        "answers a link it cannot add, e.g. Contacts/prospect_lists. May be given more than once."),
         QStringLiteral("Module/link")},
    };
}

bool FaultPlan::read(const QCommandLineParser& parser, FaultPlan* plan, QString* error)
{
    const QVector<QPair<QString, RequestNumbers*>> lists = {
        {kFail, &plan->fail}, {kGarbage, &plan->garbage}, {kCut, &plan->cut}, {kDelay, &plan->delay}};
    for (const auto& [name, numbers] : lists) {
        for (const QString& value : parser.values(name)) {
            if (!numbers->add(value)) {
                *error = QStringLiteral("--%1 must be request numbers such as 3, 2,5 or 4-6, not %2").arg(name, value);
                return false;
            }
        }
    }
    // One request gets one fault; two would leave it open which one a test sees.
    for (int i = 0; i < lists.size(); ++i) {
        for (int j = i + 1; j < lists.size(); ++j) {
            if (const qint64 common = lists[i].second->firstCommon(*lists[j].second)) {
                *error = QStringLiteral("--%1 and --%2 both name request %3")
                             .arg(lists[i].first, lists[j].first)
                             .arg(common);
                return false;
            }
        }
    }
    if (parser.isSet(kMethod)) {
        plan->method = parser.value(kMethod);
        if (plan->method.isEmpty()) {
            *error = QStringLiteral("--fault-method needs a method name");
            return false;
        }
    }
    if (!readMs(parser, kDelayMs, 1, &plan->delayMs, error) || !readMs(parser, kLatency, 0, &plan->latencyMs, error)) {
        return false;
    }
    if (parser.isSet(kSessionUses)) {
        qint64 uses = 0;
        if (!readNumber(parser.value(kSessionUses), 1, std::numeric_limits<int>::max(), &uses)) {
            *error = QStringLiteral("--session-expires-after must be a positive number");
            return false;
        }
        plan->sessionUses = static_cast<int>(uses);
    }
    plan->refuseLogin = parser.isSet(kRefuseLogin);
    for (const QString& link : parser.values(kFailLink)) {
        const QStringList parts = link.split(u'/');
        if (parts.size() != 2 || parts.at(0).isEmpty() || parts.at(1).isEmpty()) {
            *error =
                QStringLiteral("--fail-link must name a module and a link such as Contacts/calls, not %1").arg(link);
            return false;
        }
        plan->failLinks.append(link);
    }
    return true;
}

Fault FaultCounter::next(const QString& method, qint64* number)
{
    // Method names match without regard to case, as the API matches them.
    if (!m_plan.method.isEmpty() && method.compare(m_plan.method, Qt::CaseInsensitive) != 0) {
        *number = 0;
        return Fault::None;
    }
    *number = ++m_count;
    if (m_plan.fail.contains(*number)) {
        return Fault::Fail;
    }
    if (m_plan.garbage.contains(*number)) {
        return Fault::Garbage;
    }
    if (m_plan.cut.contains(*number)) {
        return Fault::Cut;
    }
    return m_plan.delay.contains(*number) ? Fault::Delay : Fault::None;
}
