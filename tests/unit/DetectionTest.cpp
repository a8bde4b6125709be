// SPDX-License-Identifier: MIT
#include "core/Detection.h"
#include "RuleSwitches.h"
#include "WorkSetTestUtil.h"
#include "misc/TextUtil.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <random>
#include <set>

namespace
{

const double kNaN = std::numeric_limits<double>::quiet_NaN();

SGAddrRecord Contact(const char* szFirst, const char* szLast, const char* szEmail1, double dModified)
{
    SGAddrRecord r;
    CopyText(r.szFirstName, szFirst);
    CopyText(r.szLastName, szLast);
    CopyText(r.szEmail1, szEmail1);
    r.dtModified = dModified;
    return r;
}

// The list as positions in load order.
template <class Kind> std::vector<int> Listed(CxSGRecordBridge<Kind>& bridge, CxList* pList)
{
    std::vector<int> positions;
    for (auto* pRecord : ListRecords<typename Kind::Record>(pList)) {
        uint32_t i = 0;
        while (i < bridge.GetRecordCount() && bridge.GetRecord(i) != pRecord)
            ++i;
        positions.push_back(static_cast<int>(i));
    }
    return positions;
}

// A record carries REC_DUPLICATE exactly when it is listed, and none is listed twice.
template <class Kind> void ExpectFlagsMatchList(CxSGRecordBridge<Kind>& bridge, CxList* pList)
{
    const std::vector<int> listed = Listed(bridge, pList);
    const std::set<int> unique(listed.begin(), listed.end());
    EXPECT_EQ(unique.size(), listed.size());
    for (uint32_t i = 0; i < bridge.GetRecordCount(); ++i)
        EXPECT_EQ((bridge.GetRecord(i)->dwFlags & REC_DUPLICATE) != 0, unique.count(static_cast<int>(i)) == 1) << i;
}

class DetectionTest : public WorkSetFixture
{
protected:
    std::vector<int> RunAddr(const std::vector<SGAddrRecord>& records)
    {
        Fill(WorkSet.pAddrUtil, records);
        EXPECT_TRUE(FindAddrDups());
        ExpectFlagsMatchList(*WorkSet.pAddrUtil, WorkSet.pAddrDups);
        return Listed(*WorkSet.pAddrUtil, WorkSet.pAddrDups);
    }
    // Whether two contacts are duplicates under the current rules.
    bool PairMatches(const SGAddrRecord& a, const SGAddrRecord& b) { return !RunAddr({a, b}).empty(); }
};

using Positions = std::vector<int>;

} // namespace

TEST(CompareTextTest, EmptyRuleAndLetterCase)
{
    const AppSettingsData saved = AppSettings;
    AppSettings.CompareEmpty = false;
    AppSettings.CaseSensitive = false;
    EXPECT_EQ(CompareText("", "x"), 0);
    EXPECT_EQ(CompareText("x", ""), 0);
    EXPECT_EQ(CompareText("Smith", "sMITH"), 0);
    EXPECT_NE(CompareText("Smith", "Smyth"), 0);
    EXPECT_NE(CompareText("Smith", "Smith "), 0);
    // Only a to z fold: neighbours 32 apart and accented letters stay distinct.
    EXPECT_NE(CompareText("[a]", "{a}"), 0);
    EXPECT_NE(CompareText("@", "`"), 0);
    EXPECT_NE(CompareText("\xC9mile", "\xE9mile"), 0);
    AppSettings.CaseSensitive = true;
    EXPECT_NE(CompareText("Smith", "smith"), 0);
    EXPECT_EQ(CompareText("Smith", "Smith"), 0);
    AppSettings.CompareEmpty = true;
    EXPECT_NE(CompareText("", "x"), 0);
    EXPECT_EQ(CompareText("", ""), 0);
    AppSettings = saved;
}

TEST_F(DetectionTest, WorkedExampleKeepsTheNewestOfThree)
{
    // A modified first, then C, then B: A and C are listed in that order, once each.
    EXPECT_EQ(
        RunAddr({Contact("Ann", "Lee", "a@x", 1), Contact("Ann", "Lee", "a@x", 3), Contact("Ann", "Lee", "a@x", 2)}),
        (Positions{0, 2}));
    // Both are merged into B; B itself and an unmarked record go nowhere.
    EXPECT_EQ(GetKeptAddr(WorkSet.pAddrUtil->GetRecord(0)), WorkSet.pAddrUtil->GetRecord(1));
    EXPECT_EQ(GetKeptAddr(WorkSet.pAddrUtil->GetRecord(2)), WorkSet.pAddrUtil->GetRecord(1));
    EXPECT_EQ(GetKeptAddr(WorkSet.pAddrUtil->GetRecord(1)), nullptr);
    EXPECT_EQ(GetKeptAddr(nullptr), nullptr);
    // A marked record starts no scan.
    EXPECT_FALSE(ScanAddrDups(WorkSet.pAddrUtil->GetRecord(0)));
    // Running again with the same rules gives the same result.
    EXPECT_TRUE(FindAddrDups());
    EXPECT_EQ(Listed(*WorkSet.pAddrUtil, WorkSet.pAddrDups), (Positions{0, 2}));
}

TEST_F(DetectionTest, EmptyAndSingleRecordSetsAndMissingParts)
{
    EXPECT_EQ(RunAddr({}), Positions{});
    EXPECT_EQ(RunAddr({Contact("Ann", "Lee", "a@x", 1)}), Positions{});
    EXPECT_FALSE(ScanAddrDups(nullptr));
    EXPECT_FALSE(IsSameAddr(nullptr, WorkSet.pAddrUtil->GetRecord(0)));
    SGNoteRecord note;
    EXPECT_FALSE(IsSameNote(&note, nullptr));
    EXPECT_FALSE(IsNewerNote(nullptr, &note));

    Fill(WorkSet.pAddrUtil, {Contact("Ann", "Lee", "", 1), Contact("Ann", "Lee", "", 2)});
    delete WorkSet.pAddrDups;
    WorkSet.pAddrDups = nullptr;
    EXPECT_FALSE(FindAddrDups());
    EXPECT_FALSE(ScanAddrDups(WorkSet.pAddrUtil->GetRecord(0)));
    EXPECT_EQ(WorkSet.pAddrUtil->GetRecord(0)->dwFlags, 0u);
    delete WorkSet.pDateUtil;
    WorkSet.pDateUtil = nullptr;
    EXPECT_FALSE(FindDateDups());
}

TEST_F(DetectionTest, LetterCaseFollowsCaseSensitive)
{
    const SGAddrRecord a = Contact("Ann", "Lee", "ann@x.org", 1);
    const SGAddrRecord b = Contact("ANN", "lee", "ann@x.org", 2);
    EXPECT_TRUE(PairMatches(b, a));
    AppSettings.CaseSensitive = true;
    EXPECT_FALSE(PairMatches(b, a));
}

TEST_F(DetectionTest, EmptyEmailFollowsCompareEmpty)
{
    SGAddrRecord a = Contact("Ann", "Lee", "", 2);
    CopyText(a.szEmail2, "a2@x");
    CopyText(a.szEmail3, "a3@x");
    SGAddrRecord b = Contact("Ann", "Lee", "b1@x", 1);
    CopyText(b.szEmail2, "b2@x");
    EXPECT_TRUE(PairMatches(a, b));
    AppSettings.CompareEmpty = true;
    EXPECT_FALSE(PairMatches(a, b));
    CopyText(b.szEmail3, "a3@x");
    EXPECT_TRUE(PairMatches(a, b));
    // Two empty slots are equal whatever CompareEmpty says.
    EXPECT_TRUE(PairMatches(Contact("Ann", "Lee", "", 2), Contact("Ann", "Lee", "b1@x", 1)));
}

TEST_F(DetectionTest, DifferentTypesNeverMatch)
{
    SGAddrRecord a = Contact("Ann", "Lee", "a@x", 2);
    SGAddrRecord b = a;
    b.nType = 1;
    AppSettings.AddrDisplayName = AppSettings.AddrFirstName = AppSettings.AddrLastName = AppSettings.AddrEmail = false;
    EXPECT_FALSE(PairMatches(a, b));
    b.nType = 0;
    EXPECT_TRUE(PairMatches(a, b));

    SGDateRecord d1;
    SGDateRecord d2;
    d2.nType = 7;
    Fill(WorkSet.pDateUtil, {d1, d2});
    EXPECT_TRUE(FindDateDups());
    EXPECT_EQ(WorkSet.pDateDups->GetCount(), 0u);
}

TEST_F(DetectionTest, PhoneRuleNeedsWorkFaxAndOneMore)
{
    using PhoneField = char(SGAddrRecord::*)[32];
    const PhoneField kOthers[] = {&SGAddrRecord::szHomePhone, &SGAddrRecord::szMobilePhone,
                                  &SGAddrRecord::szOtherPhone};
    AppSettings.AddrPhone = true;
    AppSettings.CompareEmpty = true;
    SGAddrRecord a = Contact("Ann", "Lee", "a@x", 2);
    CopyText(a.szWorkPhone, "1");
    CopyText(a.szFax, "2");
    for (PhoneField field : kOthers)
        CopyText(a.*field, "3");
    SGAddrRecord b = a;
    EXPECT_TRUE(PairMatches(a, b));
    CopyText(b.szFax, "9");
    EXPECT_FALSE(PairMatches(a, b));
    b = a;
    CopyText(b.szWorkPhone, "9");
    EXPECT_FALSE(PairMatches(a, b));
    // Work phone and fax alone are not enough; any one of the other three, or an empty one when
    // empties match, completes the rule.
    b = a;
    for (PhoneField field : kOthers)
        CopyText(b.*field, "9");
    EXPECT_FALSE(PairMatches(a, b));
    for (PhoneField field : kOthers) {
        SGAddrRecord c = b;
        CopyText(c.*field, "3");
        EXPECT_TRUE(PairMatches(a, c));
        CopyText(c.*field, "");
        EXPECT_FALSE(PairMatches(a, c));
        AppSettings.CompareEmpty = false;
        EXPECT_TRUE(PairMatches(a, c));
        AppSettings.CompareEmpty = true;
    }
}

TEST_F(DetectionTest, DatesCompareExactlyWithoutEmptyRule)
{
    AppSettings.AddrBirthday = true;
    SGAddrRecord a = Contact("Ann", "Lee", "a@x", 2);
    SGAddrRecord b = a;
    b.dtBirthDate = 20000.5;
    EXPECT_FALSE(PairMatches(a, b));
    a.dtBirthDate = std::nextafter(20000.5, 0.0);
    EXPECT_FALSE(PairMatches(a, b));
    a.dtBirthDate = 20000.5;
    EXPECT_TRUE(PairMatches(a, b));

    SGTaskRecord t1;
    SGTaskRecord t2;
    t2.dtDue = 1;
    AppSettings.TaskDueDate = true;
    Fill(WorkSet.pTaskUtil, {t1, t2});
    EXPECT_TRUE(FindTaskDups());
    EXPECT_EQ(WorkSet.pTaskDups->GetCount(), 0u);
}

TEST_F(DetectionTest, KeeperIsNewestEarliestOnTiesAndNaNIsOldest)
{
    EXPECT_EQ(RunAddr({Contact("A", "B", "", 5), Contact("A", "B", "", 5)}), Positions{1});
    EXPECT_EQ(RunAddr({Contact("A", "B", "", 4), Contact("A", "B", "", 5)}), Positions{0});
    const SGAddrRecord nan = Contact("A", "B", "", kNaN);
    const SGAddrRecord one = Contact("A", "B", "", 1);
    EXPECT_FALSE(IsNewerAddr(&nan, &one));
    EXPECT_TRUE(IsNewerAddr(&one, &nan));
    EXPECT_TRUE(IsNewerAddr(&nan, &nan));
    EXPECT_TRUE(IsNewerAddr(&one, &one));

    // With a NaN that outranked nothing and was outranked by nothing, keepers went round this set
    // until all five were marked and would all have been deleted; now the newest stays.
    EXPECT_EQ(RunAddr({Contact("Ann", "Lee", "", kNaN), Contact("", "Ann", "", 1), Contact("Ann", "", "", 1),
                       Contact("Lee", "Ann", "", kNaN), Contact("", "", "", 1)}),
              (Positions{0, 4, 2, 3}));

    // Notes: the first note stays, every other is listed.
    Fill(WorkSet.pNoteUtil, std::vector<SGNoteRecord>(4));
    EXPECT_TRUE(FindNoteDups());
    EXPECT_EQ(Listed(*WorkSet.pNoteUtil, WorkSet.pNoteDups), (Positions{1, 2, 3}));
    EXPECT_EQ(GetKeptNote(WorkSet.pNoteUtil->GetRecord(3)), WorkSet.pNoteUtil->GetRecord(0));
}

TEST_F(DetectionTest, KeptRecordFollowsKeepersMarkedLater)
{
    // A is marked against B, then B against C: A is merged into C, not into the deleted B.
    EXPECT_EQ(RunAddr({Contact("A", "B", "", 1), Contact("A", "B", "", 2), Contact("A", "B", "", 3)}),
              (Positions{0, 1}));
    EXPECT_EQ(WorkSet.pAddrUtil->GetRecord(0)->pKeeper, WorkSet.pAddrUtil->GetRecord(1));
    EXPECT_EQ(GetKeptAddr(WorkSet.pAddrUtil->GetRecord(0)), WorkSet.pAddrUtil->GetRecord(2));
    EXPECT_EQ(GetKeptAddr(WorkSet.pAddrUtil->GetRecord(1)), WorkSet.pAddrUtil->GetRecord(2));
}

TEST_F(DetectionTest, GathersThroughARecordMatchingTwoOthers)
{
    // A and C differ in e-mail; B's empty e-mail matches both and B is the newest.
    EXPECT_EQ(RunAddr({Contact("A", "B", "x@x", 1), Contact("A", "B", "", 3), Contact("A", "B", "y@y", 2)}),
              (Positions{0, 2}));
}

TEST_F(DetectionTest, RuleChangeRerunReleasesRecords)
{
    SGAddrRecord a = Contact("Ann", "Lee", "a@x", 1);
    SGAddrRecord b = Contact("Ann", "Lee", "a@x", 2);
    CopyText(a.szDepartment, "Sales");
    CopyText(b.szDepartment, "Support");
    EXPECT_EQ(RunAddr({a, b}), Positions{0});
    WorkSet.pAddrUtil->GetRecord(0)->dwFlags |= REC_SELECTED;
    AppSettings.AddrDepartment = true;
    EXPECT_TRUE(FindAddrDups());
    EXPECT_EQ(WorkSet.pAddrDups->GetCount(), 0u);
    // Detection owns only REC_DUPLICATE.
    EXPECT_EQ(WorkSet.pAddrUtil->GetRecord(0)->dwFlags, REC_SELECTED);
    EXPECT_EQ(WorkSet.pAddrUtil->GetRecord(1)->dwFlags, 0u);
}

namespace
{

// A second, plain reading of the rules, the reference for random data sets.
bool RefText(std::string a, std::string b)
{
    if (!AppSettings.CompareEmpty && (a.empty() || b.empty()))
        return true;
    if (!AppSettings.CaseSensitive) {
        for (std::string* s : {&a, &b})
            for (char& c : *s)
                c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return a == b;
}

template <class Record> struct Same
{
    const Record& a;
    const Record& b;
    template <class Field> bool operator()(Field Record::*field) const { return RefText(a.*field, b.*field); }
};

bool RefSame(const SGAddrRecord& a, const SGAddrRecord& b)
{
    using R = SGAddrRecord;
    const AppSettingsData& s = AppSettings;
    const Same<R> eq{a, b};
    const bool bAddress = eq(&R::szPrimaryStreet) && eq(&R::szPrimaryCity) && eq(&R::szPrimaryState) &&
                          eq(&R::szPrimaryPostalCode) && eq(&R::szPrimaryCountry) && eq(&R::szAltStreet) &&
                          eq(&R::szAltCity) && eq(&R::szAltState) && eq(&R::szAltPostalCode) && eq(&R::szAltCountry);
    return a.nType == b.nType && (!s.AddrDisplayName || (eq(&R::szFirstName) && eq(&R::szLastName))) &&
           (!s.AddrFirstName || eq(&R::szFirstName)) && (!s.AddrLastName || eq(&R::szLastName)) &&
           (!s.AddrDepartment || eq(&R::szDepartment)) && (!s.AddrTitle || eq(&R::szJobTitle)) &&
           (!s.AddrEmail || eq(&R::szEmail1) || eq(&R::szEmail2) || eq(&R::szEmail3)) &&
           (!s.AddrPhone || (eq(&R::szWorkPhone) && eq(&R::szFax) &&
                             (eq(&R::szHomePhone) || eq(&R::szMobilePhone) || eq(&R::szOtherPhone)))) &&
           (!s.AddrAddress || bAddress) && (!s.AddrBirthday || a.dtBirthDate == b.dtBirthDate) &&
           (!s.AddrNote || eq(&R::szDescription));
}

bool RefSame(const SGDateRecord& a, const SGDateRecord& b)
{
    using R = SGDateRecord;
    const AppSettingsData& s = AppSettings;
    const Same<R> eq{a, b};
    return a.nType == b.nType && (!s.DateSubject || eq(&R::szSubject)) &&
           (!s.DateStartTime || a.dtStart == b.dtStart) && (!s.DateEndTime || a.dtEnd == b.dtEnd) &&
           (!s.DateLocation || eq(&R::szLocation)) && (!s.DateContactID || eq(&R::szContactId)) &&
           (!s.DateAssignedID || eq(&R::szAssignedId)) && (!s.DateNote || eq(&R::szDescription));
}

bool RefSame(const SGTaskRecord& a, const SGTaskRecord& b)
{
    using R = SGTaskRecord;
    const AppSettingsData& s = AppSettings;
    const Same<R> eq{a, b};
    return (!s.TaskSubject || eq(&R::szSubject)) && (!s.TaskImportance || eq(&R::szPriority)) &&
           (!s.TaskDueDate || a.dtDue == b.dtDue) && (!s.TaskStatus || eq(&R::szStatus)) &&
           (!s.TaskContactID || eq(&R::szContactId)) && (!s.TaskAssignedID || eq(&R::szAssignedId)) &&
           (!s.TaskNote || eq(&R::szDescription));
}

// The newer of two modification times stays, the first on a tie; a time that is no number is older
// than any other.
bool KeepsFirst(double dFirst, double dSecond)
{
    const double kOldest = -std::numeric_limits<double>::infinity();
    return (std::isnan(dFirst) ? kOldest : dFirst) >= (std::isnan(dSecond) ? kOldest : dSecond);
}

// The run as the rules describe it, on positions: the list in marking order and the marks.
// kept: where each marked record is merged, the first unmarked record along the keepers it was first
// marked against; -1 for the others.
template <class Record>
std::vector<int> RefRun(const std::vector<Record>& records, std::vector<bool>& marked, std::vector<int>& kept)
{
    const std::size_t n = records.size();
    std::vector<int> listed;
    std::vector<std::size_t> keeper(n, n);
    marked.assign(n, false);
    auto mark = [&](std::size_t i, std::size_t by) {
        if (marked[i])
            return;
        listed.push_back(static_cast<int>(i));
        marked[i] = true;
        keeper[i] = by;
    };
    for (std::size_t start = 0; start < n; ++start) {
        if (marked[start])
            continue;
        std::size_t nKeeper = start;
        for (std::size_t i = start + 1; i < n; ++i) {
            if (!RefSame(records[nKeeper], records[i]))
                continue;
            if (KeepsFirst(records[nKeeper].dtModified, records[i].dtModified)) {
                mark(i, nKeeper);
            }
            else {
                mark(nKeeper, i);
                nKeeper = i;
            }
        }
    }
    kept.assign(n, -1);
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t at = marked[i] ? keeper[i] : n;
        for (std::size_t nSteps = 0; at < n && marked[at] && nSteps < n; ++nSteps)
            at = keeper[at];
        if (at < n && !marked[at])
            kept[i] = static_cast<int>(at);
    }
    return listed;
}

SGAddrRecord* Kept(const SGAddrRecord* pRecord)
{
    return GetKeptAddr(pRecord);
}

SGDateRecord* Kept(const SGDateRecord* pRecord)
{
    return GetKeptDate(pRecord);
}

SGTaskRecord* Kept(const SGTaskRecord* pRecord)
{
    return GetKeptTask(pRecord);
}

class RandomSets
{
public:
    explicit RandomSets(unsigned nSeed) : m_rng(nSeed) {}

    template <std::size_t N> void Text(char (&field)[N], std::initializer_list<const char*> pool)
    {
        CopyText(field, pool.begin()[Pick(pool.size())]);
    }
    double Date(std::initializer_list<double> pool) { return pool.begin()[Pick(pool.size())]; }
    bool Chance(unsigned nPercent) { return Pick(100) < nPercent; }
    std::size_t Pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_rng); }

    // Each rule switch on at random, now and then the defaults.
    void Rules(const AppSettingsData& defaults)
    {
        AppSettings = defaults;
        if (Chance(25))
            return;
        for (bool AppSettingsData::*pSwitch : AllRuleSwitches())
            AppSettings.*pSwitch = Chance(40);
    }

    void Fill(SGAddrRecord& r)
    {
        r.nType = Chance(15) ? 1 : 0;
        for (auto* field : {&r.szFirstName, &r.szLastName})
            Text(*field, {"", "Ann", "ann", "ANN", "Lee", "\xC9mile", "\xE9mile", "[x]", "{x}"});
        Text(r.szDepartment, {"", "Sales", "sales"});
        Text(r.szJobTitle, {"", "CEO"});
        for (auto* field : {&r.szEmail1, &r.szEmail2, &r.szEmail3})
            Text(*field, {"", "", "a@x.org", "A@X.ORG", "b@x.org"});
        for (auto* field : {&r.szWorkPhone, &r.szHomePhone, &r.szMobilePhone, &r.szOtherPhone, &r.szFax})
            Text(*field, {"", "555-1", "555-2"});
        for (auto* field : {&r.szPrimaryCity, &r.szPrimaryState, &r.szPrimaryPostalCode, &r.szPrimaryCountry,
                            &r.szAltCity, &r.szAltState, &r.szAltPostalCode, &r.szAltCountry})
            Text(*field, {"", "", "", "Elm", "elm"});
        Text(r.szPrimaryStreet, {"", "", "1 Main St", "1 main st"});
        Text(r.szAltStreet, {"", "", "2 Side Rd"});
        r.dtBirthDate = Date({0, 0, 20000, 20000.5});
        Text(r.szDescription, {"", "note", "NOTE"});
        r.dtModified = Modified();
    }

    void Fill(SGDateRecord& r)
    {
        r.nType = Chance(15) ? 1 : 0;
        Text(r.szSubject, {"", "Call", "call", "Lunch"});
        r.dtStart = Date({0, 40000.25, 40000.25, 40000.5});
        r.dtEnd = Date({0, 40000.5, 40000.5});
        Text(r.szLocation, {"", "Here", "HERE"});
        Text(r.szContactId, {"", "c1", "C1", "c2"});
        Text(r.szAssignedId, {"", "u1", "u2"});
        Text(r.szDescription, {"", "n"});
        r.dtModified = Modified();
    }

    void Fill(SGTaskRecord& r)
    {
        Text(r.szSubject, {"", "Call", "call", "Lunch"});
        Text(r.szPriority, {"", "High", "high", "Low"});
        r.dtDue = Date({0, 40000.25, 40000.25, 40001});
        Text(r.szStatus, {"", "Open", "Done"});
        Text(r.szContactId, {"", "c1", "c2"});
        Text(r.szAssignedId, {"", "u1", "U1"});
        Text(r.szDescription, {"", "n"});
        r.dtModified = Modified();
    }

private:
    double Modified() { return Date({0, 1, 2, 2, 3, 3.5, std::numeric_limits<double>::quiet_NaN()}); }

    std::mt19937 m_rng;
};

} // namespace

class DetectionRandomTest : public WorkSetFixture
{
protected:
    template <class Kind>
    void CheckRandomSets(CxSGRecordBridge<Kind>* pBridge, CxList* pList, bool (*pfnFind)(), unsigned nSeed)
    {
        const AppSettingsData defaults = AppSettings;
        RandomSets random(nSeed);
        for (int nTrial = 0; nTrial < 1500; ++nTrial) {
            random.Rules(defaults);
            std::vector<typename Kind::Record> records(random.Pick(10));
            for (auto& record : records)
                random.Fill(record);
            Fill(pBridge, records);
            // Stale marks from an earlier run and the user's selection must not leak into the result.
            std::vector<uint32_t> selected;
            for (uint32_t i = 0; i < pBridge->GetRecordCount(); ++i) {
                pBridge->GetRecord(i)->dwFlags = static_cast<uint32_t>(random.Pick(4));
                selected.push_back(pBridge->GetRecord(i)->dwFlags & REC_SELECTED);
            }

            std::vector<bool> marked;
            std::vector<int> kept;
            const std::vector<int> expected = RefRun(records, marked, kept);
            ASSERT_TRUE(pfnFind());
            ASSERT_EQ(Listed(*pBridge, pList), expected) << "trial " << nTrial;
            for (uint32_t i = 0; i < pBridge->GetRecordCount(); ++i) {
                ASSERT_EQ(pBridge->GetRecord(i)->dwFlags, (marked[i] ? REC_DUPLICATE : 0u) | selected[i]);
                // Keepers only move to newer records, times that are no number included, so every
                // chain ends on a record that stays.
                ASSERT_EQ(marked[i], kept[i] >= 0) << "trial " << nTrial << ", record " << i;
                const auto* pExpected = kept[i] >= 0 ? pBridge->GetRecord(static_cast<uint32_t>(kept[i])) : nullptr;
                ASSERT_EQ(Kept(pBridge->GetRecord(i)), pExpected) << "trial " << nTrial << ", record " << i;
            }
        }
    }
};

TEST_F(DetectionRandomTest, ContactsMatchTheReference)
{
    CheckRandomSets(WorkSet.pAddrUtil, WorkSet.pAddrDups, FindAddrDups, 11);
    CheckRandomSets(WorkSet.pAddrUtil, WorkSet.pAddrDups, FindAddrDups, 12);
}

TEST_F(DetectionRandomTest, CalendarMatchesTheReference)
{
    CheckRandomSets(WorkSet.pDateUtil, WorkSet.pDateDups, FindDateDups, 21);
}

TEST_F(DetectionRandomTest, TasksMatchTheReference)
{
    CheckRandomSets(WorkSet.pTaskUtil, WorkSet.pTaskDups, FindTaskDups, 31);
}
