// SPDX-License-Identifier: MIT
#include "Seed.h"

#include "Entities.h"
#include "Store.h"

#include <QDateTime>
#include <QStringList>

#include <random>

namespace
{
const char* const kFirstNames[] = {
    "James",  "Mary",    "John",    "Patricia", "Robert", "Jennifer", "Michael", "Linda",   "William", "Elizabeth",
    "David",  "Barbara", "Richard", "Susan",    "Joseph", "Jessica",  "Thomas",  "Sarah",   "Charles", "Karen",
    "Jürgen", "Zoë",     "José",    "Renée",    "Ann",    "Pat",      "Sean",    "Ines",    "Lars",    "Mia",
    "Noah",   "Emma",    "Liam",    "Olivia",   "Lucas",  "Chloé",    "Björn",   "Siobhán", "Ming",    "Priya"};
const char* const kLastNames[] = {
    "Smith",    "Johnson", "Williams", "Brown", "Jones",   "Garcia", "Miller",   "Davis",   "Rodriguez", "Martinez",
    "O'Brien",  "Müller",  "D'Angelo", "Jäger", "Lee",     "Kim",    "Nguyen",   "Schmidt", "Rossi",     "Dubois",
    "Anderson", "Taylor",  "Thomas",   "Moore", "Jackson", "Martin", "Thompson", "White",   "López",     "Harris",
    "Clark",    "Lewis",   "Walker",   "Hall",  "Allen",   "Young",  "King",     "Wright",  "Scott",     "Green"};
const char* const kCompanies[] = {"Acme",   "Globex",    "Initech", "Umbrella", "Stark",    "Wayne",  "Wonka",
                                  "Tyrell", "Cyberdyne", "Soylent", "Hooli",    "Vandelay", "Dunder", "Prestige",
                                  "Oscorp", "Gringotts", "Monarch", "Nakatomi", "Aperture", "Kruger"};
const char* const kSuffixes[] = {"Corp", "Inc.", "GmbH"};
const char* const kCities[] = {"Springfield", "Köln", "Lyon", "Austin", "Leeds", "Graz", "Porto", "Turku"};
const char* const kSubjects[] = {"Intro call",       "Follow-up",        "Quote review", "Kickoff",
                                 "Contract renewal", "Support check-in", "Demo",         "Budget talk"};
const char* const kStatuses[] = {"Planned", "Held", "Not Held"};
const char* const kTaskStatuses[] = {"Not Started", "In Progress", "Completed", "Pending Input", "Deferred"};
const char* const kPriorities[] = {"High", "Medium", "Low"};

template <typename T, size_t N> constexpr int countOf(const T (&)[N])
{
    return static_cast<int>(N);
}

QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// The letters of a name an e-mail address can hold.
QString mailPart(const QString& name)
{
    QString out;
    for (const QChar ch : name.normalized(QString::NormalizationForm_D)) {
        if (ch.isLetter() && ch.unicode() < 0x80) {
            out += ch.toLower();
        }
    }
    return out;
}

class Seeder
{
public:
    Seeder(Store& store, QString userId) : m_store(store), m_userId(std::move(userId)) {}

    // std::mt19937 gives the same numbers everywhere; the distributions of <random> do not.
    int pick(int n) { return static_cast<int>(m_random() % static_cast<unsigned>(n)); }

    QString stamp(qint64 minutes) const
    {
        static const QDateTime base(QDate(2023, 1, 2), QTime(9, 0), Qt::UTC);
        return base.addSecs(minutes * 60).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }

    // Ids in UUID form that sort in creation order, drawn from the fixed random sequence.
    QString nextId()
    {
        ++m_created;
        const QString head = QStringLiteral("%1").arg(0x5eed00000000LL + m_created, 12, 16, QLatin1Char('0'));
        const QString tail = QStringLiteral("%1%2%3")
                                 .arg(m_random() & 0xffffffU, 6, 16, QLatin1Char('0'))
                                 .arg(m_random() & 0xffffffU, 6, 16, QLatin1Char('0'))
                                 .arg(m_random() & 0xffffffffU, 8, 16, QLatin1Char('0'));
        return head.left(8) + u'-' + head.mid(8, 4) + u'-' + tail.left(4) + u'-' + tail.mid(4, 4) + u'-' +
               tail.mid(8, 12);
    }

    // Adds one record; values holds stored columns, email/account are linked afterwards.
    QString add(const ModuleDef& module, Values values, qint64 minute, const QString& email = QString(),
                const QString& accountId = QString())
    {
        const QString id = nextId();
        values.insert(QStringLiteral("id"), id);
        values.insert(QStringLiteral("date_entered"), stamp(minute));
        if (!values.contains(QStringLiteral("date_modified"))) {
            values.insert(QStringLiteral("date_modified"), stamp(minute + pick(60 * 24 * 90)));
        }
        values.insert(QStringLiteral("created_by"), m_userId);
        values.insert(QStringLiteral("modified_user_id"), m_userId);
        values.insert(QStringLiteral("assigned_user_id"), m_userId);
        if (!values.contains(QStringLiteral("deleted"))) {
            values.insert(QStringLiteral("deleted"), QStringLiteral("0"));
        }
        for (const FieldDef& def : module.fields) {
            if (!def.defaultValue.isNull() && !values.contains(def.name)) {
                values.insert(def.name, def.defaultValue);
            }
        }
        m_ok = m_ok && m_store.insert(module, values);
        if (!email.isEmpty()) {
            m_ok = m_ok && m_store.setEmail(module, id, 1, email);
        }
        if (!accountId.isEmpty()) {
            m_ok = m_ok && m_store.linkAccount(accountId, id);
        }
        return id;
    }

    // Links two records as set_relationship does.
    void relate(const char* szModule, const char* szLink, const QString& id, const QString& relatedId)
    {
        m_ok =
            m_ok && m_store.setLink(*Links::find(QLatin1String(szModule), QLatin1String(szLink)), id, relatedId, false);
    }

    const QString& userId() const { return m_userId; }
    bool ok() const { return m_ok; }

private:
    Store& m_store;
    QString m_userId;
    std::mt19937 m_random{20240501u};
    qint64 m_created = 0;
    bool m_ok = true;
};

struct Person
{
    Values values;
    QString email;
    QString accountId;
};

// The i-th made-up person, with an e-mail address or without; the pairs of names do not repeat
// below 1600.
Person person(int i, bool withEmail)
{
    const int nFirst = countOf(kFirstNames);
    const int nLast = countOf(kLastNames);
    const QString first = text(kFirstNames[i % nFirst]);
    const QString last = text(kLastNames[(i / nFirst + i) % nLast]);
    Person p;
    p.values.insert(QStringLiteral("first_name"), first);
    p.values.insert(QStringLiteral("last_name"), last);
    p.values.insert(QStringLiteral("phone_work"), QStringLiteral("+1 555 %1").arg(1000 + i, 4, 10, QLatin1Char('0')));
    p.values.insert(QStringLiteral("primary_address_city"), text(kCities[i % countOf(kCities)]));
    p.values.insert(QStringLiteral("title"), i % 3 == 0 ? QStringLiteral("Manager") : QString());
    if (withEmail) {
        p.email = mailPart(first) + u'.' + mailPart(last) + QStringLiteral("@example.com");
    }
    return p;
}

// Nine in ten have an address.
Person person(Seeder& seeder, int i)
{
    return person(i, seeder.pick(10) != 0);
}

Values activity(Seeder& seeder, int i, const QString& parentType, const QString& parentId)
{
    Values values;
    values.insert(QStringLiteral("name"), text(kSubjects[i % countOf(kSubjects)]));
    values.insert(QStringLiteral("date_start"), seeder.stamp(60 * 24 * (i % 200) + 60 * (i % 8)));
    values.insert(QStringLiteral("status"), text(kStatuses[i % countOf(kStatuses)]));
    values.insert(QStringLiteral("parent_type"), parentType);
    values.insert(QStringLiteral("parent_id"), parentId);
    return values;
}

// Minutes between the creation times of consecutive records, a different prime for each module,
// so that no two records of the data set are created at the same minute.
constexpr qint64 kAccountStep = 41;
constexpr qint64 kContactStep = 37;
constexpr qint64 kLeadStep = 43;
constexpr qint64 kCallStep = 29;
constexpr qint64 kMeetingStep = 31;
constexpr qint64 kTaskStep = 23;
constexpr qint64 kNoteStep = 19;

// The demo data set, one module after another, in the order their records are created (the ids
// and dates come from one fixed random sequence, so the order is part of the data). Copies are
// taken from originals spread over each module: the k-th copy of a kind repeats original
// k * stride + offset, and each kind of copy has its own stride.
class DemoData
{
public:
    DemoData(Store& store, const QString& userId) : m_seeder(store, userId) {}

    void addAccounts();
    void addContacts();
    void addLeads();
    void addCalls();
    void addMeetings();
    void addTasks();
    void addNotes();
    bool ok() const { return m_seeder.ok(); }

private:
    void invite(const QString& callId, const Values& call);
    static const ModuleDef& module(const char* szName) { return *Modules::find(QLatin1String(szName)); }

    Seeder m_seeder;
    qint64 m_minute = 0;
    QStringList m_accountIds;
    QStringList m_contactIds;
    QVector<Person> m_people;
};

// 60 accounts, then 5 exact copies, 5 upper-case copies, and one name with "&" stored raw and
// entity-encoded.
void DemoData::addAccounts()
{
    constexpr int kCount = 60;
    constexpr int kCopies = 5;
    constexpr int kCopyStride = 7;
    constexpr int kUpperOffset = 3;
    const ModuleDef& accounts = module("Accounts");
    QVector<Values> values;
    for (int i = 0; i < kCount; ++i) {
        Values v;
        v.insert(QStringLiteral("name"),
                 text(kCompanies[i % countOf(kCompanies)]) + u' ' + text(kSuffixes[i / countOf(kCompanies)]));
        v.insert(QStringLiteral("phone_office"), QStringLiteral("+1 555 %1").arg(2000 + i));
        v.insert(QStringLiteral("billing_address_city"), text(kCities[i % countOf(kCities)]));
        values.append(v);
        m_accountIds.append(m_seeder.add(accounts, v, m_minute += kAccountStep));
    }
    for (int k = 0; k < kCopies; ++k) {
        m_seeder.add(accounts, values.at(k * kCopyStride), m_minute += kAccountStep);
        Values upper = values.at(k * kCopyStride + kUpperOffset);
        upper.insert(QStringLiteral("name"), upper.value(QStringLiteral("name")).toString().toUpper());
        m_seeder.add(accounts, upper, m_minute += kAccountStep);
    }
    Values sons;
    sons.insert(QStringLiteral("name"), QStringLiteral("Smith & Sons Ltd"));
    m_seeder.add(accounts, sons, m_minute += kAccountStep);
    sons.insert(QStringLiteral("name"), QStringLiteral("Smith &amp; Sons Ltd"));
    m_seeder.add(accounts, sons, m_minute += kAccountStep);
}

// 300 contacts, two in three linked to an account, and copies of five kinds.
void DemoData::addContacts()
{
    constexpr int kCount = 300;
    const ModuleDef& contacts = module("Contacts");
    const auto add = [this, &contacts](const Values& values, const QString& email = QString(),
                                       const QString& accountId = QString()) {
        return m_seeder.add(contacts, values, m_minute += kContactStep, email, accountId);
    };
    for (int i = 0; i < kCount; ++i) {
        Person p = person(m_seeder, i);
        if (i % 3 != 2) {
            p.accountId = m_accountIds.at(i % m_accountIds.size());
        }
        m_people.append(p);
        m_contactIds.append(add(p.values, p.email, p.accountId));
    }
    // 20 exact copies, modified later than the originals.
    for (int k = 0; k < 20; ++k) {
        const Person& p = m_people.at(k * 15 + 3);
        add(p.values, p.email, p.accountId);
    }
    // 15 letter-case variants; the e-mail differs in case too, which the shared address hides.
    for (int k = 0; k < 15; ++k) {
        Person p = m_people.at(k * 19 + 5);
        p.values.insert(QStringLiteral("first_name"),
                        p.values.value(QStringLiteral("first_name")).toString().toLower());
        p.values.insert(QStringLiteral("last_name"), p.values.value(QStringLiteral("last_name")).toString().toUpper());
        add(p.values, p.email.toUpper());
    }
    // 10 copies without an e-mail address.
    for (int k = 0; k < 10; ++k) {
        add(m_people.at(k * 29 + 7).values);
    }
    // 8 copies whose last name (O'Brien, Müller, ...) is stored entity-encoded, as rows saved by
    // a newer CRM version are, while the originals hold the raw text.
    int encoded = 0;
    for (int i = 0; i < m_people.size() && encoded < 8; ++i) {
        const QString last = m_people.at(i).values.value(QStringLiteral("last_name")).toString();
        if (Entities::encodeForEcho(last) == last) {
            continue;
        }
        Person p = m_people.at(i);
        p.values.insert(QStringLiteral("last_name"), Entities::encodeForEcho(last));
        add(p.values, p.email, p.accountId);
        ++encoded;
    }
    // 5 copies that were deleted already and must never be listed.
    for (int k = 0; k < 5; ++k) {
        Person p = m_people.at(k * 50 + 11);
        p.values.insert(QStringLiteral("deleted"), QStringLiteral("1"));
        add(p.values);
    }
}

// 120 new people, 25 who are contacts as well, 5 exact copies.
void DemoData::addLeads()
{
    constexpr int kCount = 120;
    // Contacts are numbered from 0: the leads' own people come after them.
    constexpr int kFirstPerson = 300;
    const ModuleDef& leads = module("Leads");
    QVector<Person> leadPeople;
    for (int i = 0; i < kCount; ++i) {
        Person p = person(m_seeder, kFirstPerson + i);
        p.values.insert(QStringLiteral("status"), i % 4 == 0 ? QStringLiteral("Assigned") : QStringLiteral("New"));
        p.values.insert(QStringLiteral("account_name"),
                        text(kCompanies[i % countOf(kCompanies)]) + QStringLiteral(" Ltd"));
        leadPeople.append(p);
        m_seeder.add(leads, p.values, m_minute += kLeadStep, p.email);
    }
    for (int k = 0; k < 25; ++k) {
        Person p = m_people.at(k * 12 + 1);
        p.values.insert(QStringLiteral("status"), QStringLiteral("New"));
        m_seeder.add(leads, p.values, m_minute += kLeadStep, p.email);
    }
    for (int k = 0; k < 5; ++k) {
        const Person& p = leadPeople.at(k * 20 + 2);
        m_seeder.add(leads, p.values, m_minute += kLeadStep, p.email);
    }
}

// 150 calls with a contact as parent, 10 repeated.
void DemoData::addCalls()
{
    const ModuleDef& calls = module("Calls");
    QVector<Values> values;
    QStringList ids;
    for (int i = 0; i < 150; ++i) {
        Values v = activity(m_seeder, i, QStringLiteral("Contacts"), m_contactIds.at((i * 2) % m_contactIds.size()));
        v.insert(QStringLiteral("duration_hours"), QStringLiteral("0"));
        v.insert(QStringLiteral("duration_minutes"), i % 2 ? QStringLiteral("30") : QStringLiteral("15"));
        v.insert(QStringLiteral("direction"), i % 3 ? QStringLiteral("Outbound") : QStringLiteral("Inbound"));
        values.append(v);
        ids.append(m_seeder.add(calls, v, m_minute += kCallStep));
        invite(ids.last(), v);
    }
    for (int k = 0; k < 10; ++k) {
        const int original = k * 13 + 4;
        const QString copyId = m_seeder.add(calls, values.at(original), m_minute += kCallStep);
        invite(copyId, values.at(original));
        // Each of the two has one more invitee that the other lacks: whichever is kept, merging
        // the other into it moves that one.
        m_seeder.relate("Calls", "contacts", ids.at(original),
                        m_contactIds.at((original * 2 + 1) % m_contactIds.size()));
        m_seeder.relate("Calls", "contacts", copyId, m_contactIds.at((original * 2 + 3) % m_contactIds.size()));
    }
}

// The contact a call is about and the user are invited to it, so that merging copies of contacts
// has links to move.
void DemoData::invite(const QString& callId, const Values& call)
{
    m_seeder.relate("Calls", "contacts", callId, call.value(QStringLiteral("parent_id")).toString());
    m_seeder.relate("Calls", "users", callId, m_seeder.userId());
}

// 100 meetings, one in four with an account as parent; 15 repeated once and 5 twice more.
void DemoData::addMeetings()
{
    // Their subjects and times follow the calls' list a few places on.
    constexpr int kSubjectShift = 7;
    const ModuleDef& meetings = module("Meetings");
    QVector<Values> values;
    QStringList ids;
    for (int i = 0; i < 100; ++i) {
        const bool withAccount = i % 4 == 0;
        Values v =
            activity(m_seeder, i + kSubjectShift, withAccount ? QStringLiteral("Accounts") : QStringLiteral("Contacts"),
                     withAccount ? m_accountIds.at(i % m_accountIds.size())
                                 : m_contactIds.at((i * 3 + 1) % m_contactIds.size()));
        v.insert(QStringLiteral("duration_hours"), QStringLiteral("1"));
        v.insert(QStringLiteral("duration_minutes"), QStringLiteral("0"));
        v.insert(QStringLiteral("location"), text(kCities[i % countOf(kCities)]));
        values.append(v);
        ids.append(m_seeder.add(meetings, v, m_minute += kMeetingStep));
    }
    // Each repeated meeting and each of its copies invites a contact of its own, so that merging
    // any of them into another moves one link.
    int invitee = 0;
    const auto inviteOwn = [this, &invitee](const QString& meetingId) {
        m_seeder.relate("Meetings", "contacts", meetingId, m_contactIds.at((invitee++ * 7 + 5) % m_contactIds.size()));
    };
    for (int k = 0; k < 15; ++k) {
        inviteOwn(ids.at(k * 6 + 2));
        inviteOwn(m_seeder.add(meetings, values.at(k * 6 + 2), m_minute += kMeetingStep));
    }
    for (int k = 0; k < 5; ++k) {
        inviteOwn(ids.at(k * 17 + 5));
        for (int copy = 0; copy < 2; ++copy) {
            inviteOwn(m_seeder.add(meetings, values.at(k * 17 + 5), m_minute += kMeetingStep));
        }
    }
}

// 120 tasks, each for a contact, 12 repeated.
void DemoData::addTasks()
{
    constexpr qint64 kMinutesPerDay = 60 * 24;
    const ModuleDef& tasks = module("Tasks");
    QVector<Values> values;
    for (int i = 0; i < 120; ++i) {
        const QString contactId = m_contactIds.at((i * 5 + 2) % m_contactIds.size());
        Values v;
        v.insert(QStringLiteral("name"),
                 QStringLiteral("Send %1").arg(text(kSubjects[i % countOf(kSubjects)]).toLower()));
        v.insert(QStringLiteral("status"), text(kTaskStatuses[i % countOf(kTaskStatuses)]));
        v.insert(QStringLiteral("priority"), text(kPriorities[i % countOf(kPriorities)]));
        // Due on one of 120 days, at 19:00.
        v.insert(QStringLiteral("date_due"), m_seeder.stamp(kMinutesPerDay * (i % 120) + 600));
        v.insert(QStringLiteral("date_due_flag"), QStringLiteral("0"));
        v.insert(QStringLiteral("contact_id"), contactId);
        v.insert(QStringLiteral("parent_type"), QStringLiteral("Contacts"));
        v.insert(QStringLiteral("parent_id"), contactId);
        values.append(v);
        m_seeder.add(tasks, v, m_minute += kTaskStep);
    }
    for (int k = 0; k < 12; ++k) {
        m_seeder.add(tasks, values.at(k * 9 + 1), m_minute += kTaskStep);
    }
}

// 100 notes, each on a contact, 10 repeated; some text carries markup, quotes and ampersands.
void DemoData::addNotes()
{
    const ModuleDef& notes = module("Notes");
    QVector<Values> values;
    for (int i = 0; i < 100; ++i) {
        const QString contactId = m_contactIds.at((i * 7 + 3) % m_contactIds.size());
        Values v;
        v.insert(QStringLiteral("name"),
                 QStringLiteral("Note %1: %2").arg(i + 1).arg(text(kSubjects[i % countOf(kSubjects)])));
        v.insert(QStringLiteral("description"), i % 5 == 0
                                                    ? QStringLiteral("Line 1\nSaid \"yes\" <b>today</b> & signed")
                                                    : QStringLiteral("Discussed next steps."));
        v.insert(QStringLiteral("contact_id"), contactId);
        v.insert(QStringLiteral("parent_type"), QStringLiteral("Contacts"));
        v.insert(QStringLiteral("parent_id"), contactId);
        v.insert(QStringLiteral("filename"), QString());
        values.append(v);
        m_seeder.add(notes, v, m_minute += kNoteStep);
    }
    for (int k = 0; k < 10; ++k) {
        m_seeder.add(notes, values.at(k * 10 + 4), m_minute += kNoteStep);
    }
}

} // namespace

bool Seed::demo(Store& store, const QString& userId)
{
    if (!store.begin()) {
        return false;
    }
    DemoData data(store, userId);
    data.addAccounts();
    data.addContacts();
    data.addLeads();
    data.addCalls();
    data.addMeetings();
    data.addTasks();
    data.addNotes();
    return data.ok() && store.commit();
}

bool Seed::contacts(Store& store, const QString& userId, int count)
{
    Seeder seeder(store, userId);
    const ModuleDef& contacts = *Modules::find(QStringLiteral("Contacts"));
    // The indexes are built once at the end rather than kept up to date with every row.
    if (!store.begin() || !store.dropIndexes()) {
        return false;
    }
    // Each record as the person it was made from, whom its copies repeat; a million records'
    // values would take a gigabyte.
    struct Made
    {
        int person;
        bool withEmail;
    };
    QVector<Made> made;
    made.reserve(count);
    for (int i = 0; i < count && seeder.ok(); ++i) {
        const Made m =
            i % 10 == 9 ? made.at(seeder.pick(static_cast<int>(made.size()))) : Made{i, seeder.pick(10) != 0};
        made.append(m);
        Person p = person(m.person, m.withEmail);
        // Every original has an address of its own; its copies share it.
        p.email.replace(u'@', QStringLiteral("%1@").arg(m.person));
        seeder.add(contacts, p.values, i, p.email);
    }
    return seeder.ok() && store.createIndexes() && store.commit();
}
