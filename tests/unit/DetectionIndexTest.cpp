// SPDX-License-Identifier: MIT
// The indexed run against the pairwise run: the same records marked, the same list order, never
// more match-rule calls. VELTRANE_DETECT_TRIALS sets how many random small sets each kind gets.
#include "core/DetectionIndex.h"
#include "RuleSwitches.h"
#include "WorkSetTestUtil.h"
#include "core/Detection.h"
#include "core/RecordCursor.h"
#include "misc/TextUtil.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <type_traits>

namespace
{

const double kNaN = std::numeric_limits<double>::quiet_NaN();

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

struct Outcome
{
    std::vector<std::size_t> listed; // positions in marking order
    std::vector<bool> marked;
    std::vector<std::size_t> keeper; // the first keeper of a marked record, kNone for the others
    uint64_t nCalls = 0;
};

// The pairwise run on positions, with the kind's own rules.
template <class Record>
Outcome Pairwise(const std::vector<Record*>& records, bool (*pfnSame)(const Record*, const Record*),
                 bool (*pfnNewer)(const Record*, const Record*))
{
    Outcome outcome;
    outcome.marked.assign(records.size(), false);
    outcome.keeper.assign(records.size(), kNone);
    auto mark = [&](std::size_t i, std::size_t nBy) {
        if (outcome.marked[i])
            return;
        outcome.listed.push_back(i);
        outcome.marked[i] = true;
        outcome.keeper[i] = nBy;
    };
    ResetMatchRuleCalls();
    for (std::size_t nStart = 0; nStart < records.size(); ++nStart) {
        if (outcome.marked[nStart])
            continue;
        std::size_t nKeeper = nStart;
        for (std::size_t i = nStart + 1; i < records.size(); ++i) {
            if (!pfnSame(records[nKeeper], records[i]))
                continue;
            if (pfnNewer(records[nKeeper], records[i])) {
                mark(i, nKeeper);
            }
            else {
                mark(nKeeper, i);
                nKeeper = i;
            }
        }
    }
    outcome.nCalls = GetMatchRuleCalls();
    return outcome;
}

template <class Record> std::size_t Position(const std::vector<Record*>& records, const Record* pRecord)
{
    return static_cast<std::size_t>(std::find(records.begin(), records.end(), pRecord) - records.begin());
}

template <class Record>
Outcome Indexed(const std::vector<Record*>& records, bool (*pfnIndexed)(const std::vector<Record*>&, CxList&))
{
    for (Record* pRecord : records) {
        pRecord->dwFlags = 0;
        pRecord->pKeeper = nullptr;
    }
    CxList list;
    ResetMatchRuleCalls();
    EXPECT_TRUE(pfnIndexed(records, list));
    Outcome outcome;
    outcome.nCalls = GetMatchRuleCalls();
    for (void* p = list.GetFirst(); p != nullptr; p = list.GetNext())
        outcome.listed.push_back(Position(records, static_cast<Record*>(p)));
    for (Record* pRecord : records) {
        outcome.marked.push_back((pRecord->dwFlags & REC_DUPLICATE) != 0);
        outcome.keeper.push_back(pRecord->pKeeper == nullptr ? kNone : Position(records, pRecord->pKeeper));
    }
    return outcome;
}

// True when both runs agree; the index may only save match-rule calls.
template <class Record>
::testing::AssertionResult
SameOutcome(const std::vector<Record*>& records, bool (*pfnSame)(const Record*, const Record*),
            bool (*pfnNewer)(const Record*, const Record*), bool (*pfnIndexed)(const std::vector<Record*>&, CxList&))
{
    const Outcome expected = Pairwise(records, pfnSame, pfnNewer);
    const Outcome actual = Indexed(records, pfnIndexed);
    if (actual.listed != expected.listed || actual.marked != expected.marked)
        return ::testing::AssertionFailure() << "lists differ: " << ::testing::PrintToString(actual.listed)
                                             << " instead of " << ::testing::PrintToString(expected.listed);
    if (actual.keeper != expected.keeper)
        return ::testing::AssertionFailure() << "keepers differ: " << ::testing::PrintToString(actual.keeper)
                                             << " instead of " << ::testing::PrintToString(expected.keeper);
    if (actual.nCalls > expected.nCalls)
        return ::testing::AssertionFailure() << actual.nCalls << " match-rule calls, pairwise " << expected.nCalls;
    if (GetLastDetectionIndexStats().nEntriesPerRecord > 32)
        return ::testing::AssertionFailure() << GetLastDetectionIndexStats().nEntriesPerRecord << " entries a record";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult SameOutcome(const std::vector<SGAddrRecord*>& records)
{
    return SameOutcome(records, &IsSameAddr, &IsNewerAddr, &FindAddrDupsIndexed);
}

::testing::AssertionResult SameOutcome(const std::vector<SGDateRecord*>& records)
{
    return SameOutcome(records, &IsSameDate, &IsNewerDate, &FindDateDupsIndexed);
}

::testing::AssertionResult SameOutcome(const std::vector<SGTaskRecord*>& records)
{
    return SameOutcome(records, &IsSameTask, &IsNewerTask, &FindTaskDupsIndexed);
}

template <class Record> std::vector<Record*> Pointers(std::vector<Record>& records, std::size_t nCount)
{
    std::vector<Record*> pointers;
    for (std::size_t i = 0; i < nCount; ++i)
        pointers.push_back(&records[i]);
    return pointers;
}

// Sets from tiny pools, so that values, empties, letter case and times collide often. Records are
// reused from trial to trial: each one is several kilobytes.
class SetMaker
{
public:
    explicit SetMaker(unsigned nSeed, bool bOptions = false) : m_rng(nSeed), m_bOptions(bOptions) {}

    std::size_t Pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_rng); }
    bool Chance(unsigned nPercent) { return Pick(100) < nPercent; }

    // Per set: how often texts are empty, how many distinct words, how often a record copies one.
    void NewSet(unsigned nMaxEmpty)
    {
        static const unsigned kEmptyRates[] = {0, 5, 20, 50, 80, 95};
        m_nEmpty = std::min(kEmptyRates[Pick(6)], nMaxEmpty);
        m_nWords = 1 + Pick(3);
        m_nCopies = static_cast<unsigned>(Pick(50));
        m_nFirstClass = Pick(std::size(kClasses));
    }

    void Rules()
    {
        for (bool AppSettingsData::*pSwitch : AllRuleSwitches())
            AppSettings.*pSwitch = Chance(40);
        AppSettings.AddrStrictEmail = m_bOptions && Chance(50);
        AppSettings.NormaliseCompare = m_bOptions && Chance(50);
    }

    // A word of the pool in random letter case; "\xE9" and "[" do not fold.
    template <std::size_t N> void Text(char (&field)[N])
    {
        static const char* const kWords[] = {"ab", "a[",
                                             "\xE9"
                                             "b"};
        if (Chance(m_nEmpty)) {
            field[0] = '\0';
            return;
        }
        std::string word = kWords[Pick(m_nWords)];
        if (m_bOptions) {
            const auto& variants = kClasses[(m_nFirstClass + Pick(m_nWords)) % std::size(kClasses)];
            word = variants[Pick(std::size(variants))];
        }
        for (char& c : word) {
            if (c >= 'a' && c <= 'z' && Chance(30))
                c = static_cast<char>(c - 'a' + 'A');
        }
        CopyText(field, word.c_str());
    }

    double Date()
    {
        static const double kDates[] = {0.0, -0.0, 40000.5, 40000.5, 40001.0, kNaN};
        return kDates[Pick(Chance(5) ? 6 : 5)];
    }
    double Modified()
    {
        static const double kTimes[] = {0.0, -0.0, 1.0, 2.0, 2.0, 3.0, kNaN};
        return kTimes[Pick(Chance(10) ? 7 : 6)];
    }
    int32_t Type() { return Chance(15) ? 1 : 0; }

    void Fill(SGAddrRecord& r)
    {
        r.nType = Type();
        for (auto* pField :
             {&r.szFirstName, &r.szLastName, &r.szJobTitle, &r.szDepartment, &r.szWorkPhone, &r.szHomePhone,
              &r.szMobilePhone, &r.szOtherPhone, &r.szFax, &r.szPrimaryCity, &r.szPrimaryState, &r.szPrimaryPostalCode,
              &r.szPrimaryCountry, &r.szAltCity, &r.szAltState, &r.szAltPostalCode, &r.szAltCountry})
            Text(*pField);
        for (auto* pField : {&r.szEmail1, &r.szEmail2, &r.szEmail3})
            Text(*pField);
        Text(r.szPrimaryStreet);
        Text(r.szAltStreet);
        Text(r.szDescription);
        r.dtBirthDate = Date();
        r.dtModified = Modified();
    }

    void Fill(SGDateRecord& r)
    {
        r.nType = Type();
        Text(r.szSubject);
        r.dtStart = Date();
        r.dtEnd = Date();
        Text(r.szLocation);
        Text(r.szContactId);
        Text(r.szAssignedId);
        Text(r.szDescription);
        r.dtModified = Modified();
    }

    void Fill(SGTaskRecord& r)
    {
        Text(r.szSubject);
        Text(r.szPriority);
        r.dtDue = Date();
        Text(r.szStatus);
        Text(r.szContactId);
        Text(r.szAssignedId);
        Text(r.szDescription);
        r.dtModified = Modified();
    }

    // Copies of earlier records, now and then with a new time, letter case or type.
    template <class Record> void Make(std::vector<Record>& records, std::size_t nCount)
    {
        for (std::size_t i = 0; i < nCount; ++i) {
            if (i == 0 || !Chance(m_nCopies)) {
                Fill(records[i]);
                continue;
            }
            records[i] = records[Pick(i)];
            if (Chance(50))
                records[i].dtModified = Modified();
            if constexpr (std::is_same_v<Record, SGAddrRecord>) {
                // An address moved to another slot, which only strict e-mail still matches.
                if (m_bOptions && Chance(30))
                    std::swap(records[i].szEmail1, Chance(50) ? records[i].szEmail2 : records[i].szEmail3);
            }
        }
    }

private:
    // Values that the normalised comparison reads alike within a class, each with a case or a form
    // that the plain comparison tells apart.
    static inline const char* const kClasses[][4] = {
        {"ab", " Ab", "AB  ", "a b"},
        {"a  b", "a\tb ", " A B", "ab"},
        {"\xC3\x89LODIE", "\xC3\xA9lodie", "\xC3\x89lodie ", "\xC3\xA9LODIE"},
        {"STRASSE",
         "stra\xC3\x9F"
         "e",
         "Stra\xC3\x9F"
         "e ",
         "strasse"},
        {"+49 (30) 123-45", "+493012345", "493012345", "  "},
        {"\xE9"
         "b",
         "\xC9"
         "B",
         " \xE9"
         "B",
         "\xC3"},
    };

    std::mt19937 m_rng;
    const bool m_bOptions;
    std::size_t m_nFirstClass = 0;
    unsigned m_nEmpty = 0;
    std::size_t m_nWords = 1;
    unsigned m_nCopies = 0;
};

unsigned TrialsPerKind()
{
    const char* szTrials = std::getenv("VELTRANE_DETECT_TRIALS");
    return szTrials != nullptr ? static_cast<unsigned>(std::strtoul(szTrials, nullptr, 10)) : 6000;
}

// Restores the rules after each test.
class DetectionIndexTest : public ::testing::Test
{
protected:
    void SetUp() override { m_saved = AppSettings; }
    void TearDown() override { AppSettings = m_saved; }

    // Random sets of 5 to nMax records of one kind; also counts how often the index used each means.
    template <class Record>
    void CheckRandomSets(unsigned nSeed, unsigned nTrials, std::size_t nMin, std::size_t nMax, bool bOptions = false)
    {
        SetMaker maker(nSeed, bOptions);
        std::vector<Record> records(nMax);
        for (unsigned nTrial = 0; nTrial < nTrials; ++nTrial) {
            maker.Rules();
            maker.NewSet(95);
            const std::size_t nCount = nMin + maker.Pick(nMax - nMin + 1);
            maker.Make(records, nCount);
            const std::vector<Record*> pointers = Pointers(records, nCount);
            // A task run under rules that require nothing is left to the pairwise run.
            if (std::is_same_v<Record, SGTaskRecord> && !AnyRuleOn(kTaskRules))
                continue;
            ASSERT_TRUE(SameOutcome(pointers)) << "seed " << nSeed << " trial " << nTrial;
            const DetectionIndexStats& stats = GetLastDetectionIndexStats();
            m_nThreeFields += stats.nIndexedFields >= 3 ? 1 : 0;
            m_nGroups += stats.nIndexedGroups > 0 ? 1 : 0;
        }
    }

    AppSettingsData m_saved = {};
    unsigned m_nThreeFields = 0;
    unsigned m_nGroups = 0;
};

} // namespace

TEST_F(DetectionIndexTest, RandomSmallSetsOfEveryKind)
{
    const unsigned nTrials = TrialsPerKind();
    CheckRandomSets<SGAddrRecord>(1, nTrials, 5, 60);
    // The generator must reach the indexed fields and the OR groups, or it tests too little.
    EXPECT_GT(m_nThreeFields, nTrials / 100);
    EXPECT_GT(m_nGroups, nTrials / 400);
    CheckRandomSets<SGDateRecord>(2, nTrials, 5, 60);
    CheckRandomSets<SGTaskRecord>(3, nTrials, 5, 60);
}

TEST_F(DetectionIndexTest, RandomSetsUnderStrictEmailAndNormalisedTexts)
{
    // Blanks, Unicode letter case, phone formats and addresses moved between slots.
    const unsigned nTrials = TrialsPerKind() / 2;
    CheckRandomSets<SGAddrRecord>(6, nTrials, 5, 60, true);
    EXPECT_GT(m_nThreeFields, nTrials / 100);
    CheckRandomSets<SGDateRecord>(7, nTrials, 5, 60, true);
    CheckRandomSets<SGTaskRecord>(8, nTrials, 5, 60, true);
    CheckRandomSets<SGAddrRecord>(9, 100, 100, 400, true);
}

TEST_F(DetectionIndexTest, RandomMediumSetsReachTheSkipTrees)
{
    // Buckets over 32 entries get a skip tree; these sets fill some well past that.
    CheckRandomSets<SGAddrRecord>(4, 150, 100, 400);
    CheckRandomSets<SGTaskRecord>(5, 150, 100, 400);
}

TEST_F(DetectionIndexTest, SkipsRunsOfMarkedRecordsOfEveryLength)
{
    // Z marks every empty subject; A's scan must pass over all of them, tied with A, to reach C,
    // whatever the number of them and so the layout of the skip tree.
    AppSettings.CompareEmpty = false;
    AppSettings.TaskSubject = true;
    AppSettings.TaskImportance = AppSettings.TaskDueDate = AppSettings.TaskStatus = false;
    AppSettings.TaskContactID = AppSettings.TaskAssignedID = AppSettings.TaskNote = false;
    std::vector<SGTaskRecord> tasks(200);
    for (std::size_t nSkipped = 0; nSkipped + 3 <= tasks.size(); ++nSkipped) {
        for (std::size_t i = 0; i < nSkipped + 3; ++i) {
            tasks[i].dtModified = 1;
            CopyText(tasks[i].szSubject, i == 0 ? "z" : (i == 1 || i == nSkipped + 2) ? "a" : "");
        }
        const std::vector<SGTaskRecord*> pointers = Pointers(tasks, nSkipped + 3);
        ASSERT_TRUE(SameOutcome(pointers)) << nSkipped;
        // Z's scan may compare with everything after it; A's must go straight to C.
        ASSERT_LE(GetMatchRuleCalls(), nSkipped + 3) << nSkipped;
        ASSERT_EQ(Pairwise(pointers, &IsSameTask, &IsNewerTask).listed.back(), nSkipped + 2);
    }
}

TEST_F(DetectionIndexTest, EdgesOfTheRules)
{
    std::vector<SGAddrRecord> records(4);
    const std::vector<SGAddrRecord*> pointers = Pointers(records, 4);
    auto reset = [&] {
        for (SGAddrRecord& r : records) {
            r = SGAddrRecord();
            CopyText(r.szFirstName, "Ann");
            CopyText(r.szLastName, "Lee");
        }
    };
    AppSettings.CompareEmpty = false;
    AppSettings.CaseSensitive = false;

    // An empty e-mail gathers two that differ, through the newest record.
    reset();
    CopyText(records[0].szEmail1, "x@x");
    CopyText(records[2].szEmail1, "y@y");
    records[1].dtModified = 3;
    EXPECT_TRUE(SameOutcome(pointers));

    // -0 and +0 birth dates are equal; a NaN birth date equals nothing, not even a copy.
    AppSettings.AddrBirthday = true;
    reset();
    records[0].dtBirthDate = -0.0;
    records[2].dtBirthDate = kNaN;
    records[3].dtBirthDate = kNaN;
    EXPECT_TRUE(SameOutcome(pointers));
    EXPECT_EQ(Pairwise(pointers, &IsSameAddr, &IsNewerAddr).listed, (std::vector<std::size_t>{1}));

    // Keepers with NaN times: nothing outranks them and they outrank nothing.
    AppSettings.AddrBirthday = false;
    reset();
    records[0].dtModified = kNaN;
    records[2].dtModified = kNaN;
    records[3].dtModified = -0.0;
    EXPECT_TRUE(SameOutcome(pointers));

    // Only a to z fold; two empty e-mail slots are equal when empties do not match anything.
    for (bool bCompareEmpty : {false, true}) {
        AppSettings.CompareEmpty = bCompareEmpty;
        reset();
        CopyText(records[1].szLastName, "LEE");
        CopyText(records[2].szLastName, "L\xC9");
        CopyText(records[3].szLastName, "L\xE9");
        CopyText(records[0].szEmail2, "a");
        EXPECT_TRUE(SameOutcome(pointers));
    }
}

TEST_F(DetectionIndexTest, LargeSetsWithBigBuckets)
{
    // Most last names empty, few first names: every keeper has hundreds of candidates.
    SetMaker maker(6);
    std::vector<SGAddrRecord> contacts(2500);
    for (std::size_t i = 0; i < contacts.size(); ++i) {
        SGAddrRecord& r = contacts[i];
        CopyText(r.szFirstName, std::to_string(maker.Pick(4)).c_str());
        if (maker.Chance(10))
            CopyText(r.szLastName, maker.Chance(50) ? "lee" : "Lee");
        CopyText(r.szEmail1, std::to_string(maker.Pick(800)).c_str());
        // Few distinct times: whole blocks of marked records tie with the keeper.
        r.dtModified = static_cast<double>(maker.Pick(3));
    }
    EXPECT_TRUE(SameOutcome(Pointers(contacts, contacts.size())));
    AppSettings.CompareEmpty = true;
    EXPECT_TRUE(SameOutcome(Pointers(contacts, contacts.size())));

    // Many required fields, each nearly always one of two values.
    std::vector<SGTaskRecord> tasks(2500);
    for (SGTaskRecord& r : tasks) {
        for (char* szField : {r.szSubject, r.szPriority, r.szStatus, r.szContactId, r.szAssignedId})
            CopyText(szField, 2, maker.Chance(3) ? "" : (maker.Chance(50) ? "a" : "b"));
        r.dtModified = static_cast<double>(maker.Pick(4));
    }
    AppSettings.CompareEmpty = false;
    AppSettings.TaskSubject = AppSettings.TaskImportance = AppSettings.TaskStatus = true;
    AppSettings.TaskContactID = AppSettings.TaskAssignedID = true;
    EXPECT_TRUE(SameOutcome(Pointers(tasks, tasks.size())));
    EXPECT_EQ(GetLastDetectionIndexStats().nIndexedFields, 5u);
}

TEST_F(DetectionIndexTest, ManyEmptyMasksOnTwoValueFields)
{
    // Fourteen required fields of two values, each empty at a rate of its own: the records fall into
    // many empty masks, the rare ones widened to blocks of fields, and keepers of every mask look in.
    SetMaker maker(8);
    std::vector<SGAddrRecord> contacts(400);
    AppSettings.AddrDepartment = AppSettings.AddrTitle = AppSettings.AddrAddress = true;
    unsigned nWidened = 0;
    for (unsigned nTrial = 0; nTrial < 60; ++nTrial) {
        AppSettings.CompareEmpty = maker.Chance(25);
        AppSettings.CaseSensitive = maker.Chance(50);
        AppSettings.AddrEmail = maker.Chance(50);
        unsigned rates[14];
        for (unsigned& nRate : rates)
            nRate = maker.Chance(20) ? 40 : static_cast<unsigned>(maker.Pick(10));
        const std::size_t nCount = 100 + maker.Pick(301);
        for (std::size_t i = 0; i < nCount; ++i) {
            SGAddrRecord& r = contacts[i];
            if (i > 0 && maker.Chance(20)) {
                r = contacts[maker.Pick(i)];
                r.dtModified = static_cast<double>(maker.Pick(4));
                continue;
            }
            r = SGAddrRecord();
            std::size_t f = 0;
            for (char* szField : {r.szFirstName, r.szLastName, r.szDepartment, r.szJobTitle, r.szPrimaryStreet,
                                  r.szPrimaryCity, r.szPrimaryState, r.szPrimaryPostalCode, r.szPrimaryCountry,
                                  r.szAltStreet, r.szAltCity, r.szAltState, r.szAltPostalCode, r.szAltCountry})
                CopyText(szField, 32, maker.Chance(rates[f++]) ? "" : (maker.Chance(50) ? "n" : "S"));
            if (maker.Chance(30))
                r.szLastName[0] = 'N';
            CopyText(r.szEmail1, maker.Chance(50) ? "" : "e");
            r.dtModified = static_cast<double>(maker.Pick(4));
        }
        ASSERT_TRUE(SameOutcome(Pointers(contacts, nCount))) << "trial " << nTrial;
        nWidened += GetLastDetectionIndexStats().nMaskGroups > 6 ? 1u : 0u;
    }
    EXPECT_GT(nWidened, 10u);
}

TEST_F(DetectionIndexTest, TwoEmptiesScatteredOverFourteenFields)
{
    // Every record leaves two of fourteen two-value fields empty: ninety-one masks, most of them
    // widened to blocks of fields, and keepers of each mask look into every group.
    SetMaker maker(10);
    std::vector<SGAddrRecord> contacts(3000);
    AppSettings.AddrDepartment = AppSettings.AddrTitle = AppSettings.AddrAddress = true;
    AppSettings.CompareEmpty = false;
    for (const bool bCaseSensitive : {false, true}) {
        AppSettings.CaseSensitive = bCaseSensitive;
        for (std::size_t i = 0; i < contacts.size(); ++i) {
            SGAddrRecord& r = contacts[i];
            r = SGAddrRecord();
            char* const fields[] = {r.szFirstName,      r.szLastName,    r.szDepartment,   r.szJobTitle,
                                    r.szPrimaryStreet,  r.szPrimaryCity, r.szPrimaryState, r.szPrimaryPostalCode,
                                    r.szPrimaryCountry, r.szAltStreet,   r.szAltCity,      r.szAltState,
                                    r.szAltPostalCode,  r.szAltCountry};
            for (char* szField : fields)
                CopyText(szField, 32, maker.Chance(50) ? "n" : (maker.Chance(50) ? "S" : "s"));
            fields[maker.Pick(std::size(fields))][0] = '\0';
            fields[maker.Pick(std::size(fields))][0] = '\0';
            r.dtModified = static_cast<double>(maker.Pick(1000));
        }
        ASSERT_TRUE(SameOutcome(Pointers(contacts, contacts.size()))) << bCaseSensitive;
        EXPECT_GT(GetLastDetectionIndexStats().nMaskGroups, 6u) << "no mask widened";
    }
}

TEST_F(DetectionIndexTest, StrictEmailAloneLooksUpTheSharedAddresses)
{
    // The e-mail rule alone, strict: keepers look up the records sharing one of their addresses,
    // in whichever slot, and those with none; a keeper with none looks at everything.
    SetMaker maker(11);
    std::vector<SGAddrRecord> contacts(1500);
    for (bool AppSettingsData::*pSwitch : AllRuleSwitches())
        AppSettings.*pSwitch = false;
    AppSettings.AddrEmail = AppSettings.AddrStrictEmail = true;
    for (const bool bCompareEmpty : {false, true}) {
        AppSettings.CompareEmpty = bCompareEmpty;
        for (SGAddrRecord& r : contacts) {
            r = SGAddrRecord();
            for (char* szEmail : {r.szEmail1, r.szEmail2, r.szEmail3}) {
                if (maker.Chance(40))
                    CopyText(szEmail, 8, ((maker.Chance(50) ? "M" : "m") + std::to_string(maker.Pick(600))).c_str());
            }
            r.dtModified = static_cast<double>(maker.Pick(50));
        }
        ASSERT_TRUE(SameOutcome(Pointers(contacts, contacts.size()))) << bCompareEmpty;
        EXPECT_EQ(GetLastDetectionIndexStats().nIndexedGroups, 1u);
    }
}

class DetectionIndexWorkSetTest : public WorkSetFixture
{
protected:
    template <class Kind>
    void ExpectSameAsStraight(CxSGRecordBridge<Kind>* pBridge, CxList* pList, bool (*pfnFind)(), bool (*pfnStraight)())
    {
        ASSERT_TRUE(pfnStraight());
        const auto expected = ListRecords<typename Kind::Record>(pList);
        std::vector<uint32_t> flags;
        std::vector<const void*> keepers;
        for (uint32_t i = 0; i < pBridge->GetRecordCount(); ++i) {
            auto* pRecord = pBridge->GetRecord(i);
            flags.push_back(pRecord->dwFlags);
            keepers.push_back(pRecord->pKeeper);
            // Stale marks and keepers must not survive into the next run.
            pRecord->dwFlags ^= REC_DUPLICATE;
            pRecord->pKeeper = pBridge->GetRecord(0);
        }
        ASSERT_TRUE(pfnFind());
        EXPECT_EQ(ListRecords<typename Kind::Record>(pList), expected);
        for (uint32_t i = 0; i < pBridge->GetRecordCount(); ++i) {
            EXPECT_EQ(pBridge->GetRecord(i)->dwFlags, flags[i]) << i;
            EXPECT_EQ(pBridge->GetRecord(i)->pKeeper, keepers[i]) << i;
        }
    }
};

TEST_F(DetectionIndexWorkSetTest, FindRunsMatchTheStraightRunsAndLeaveTheCursorAtTheEnd)
{
    SetMaker maker(7);
    maker.NewSet(20);
    std::vector<SGAddrRecord> contacts(40);
    maker.Make(contacts, contacts.size());
    Fill(WorkSet.pAddrUtil, contacts);
    ExpectSameAsStraight(WorkSet.pAddrUtil, WorkSet.pAddrDups, &FindAddrDups, &FindAddrDupsStraight);
    EXPECT_EQ(GetNextAddrRecord(), nullptr);

    std::vector<SGDateRecord> events(40);
    maker.Make(events, events.size());
    Fill(WorkSet.pDateUtil, events);
    ExpectSameAsStraight(WorkSet.pDateUtil, WorkSet.pDateDups, &FindDateDups, &FindDateDupsStraight);

    // With every task rule off the index declines and the pairwise run does the work.
    std::vector<SGTaskRecord> tasks(40);
    maker.Make(tasks, tasks.size());
    Fill(WorkSet.pTaskUtil, tasks);
    ExpectSameAsStraight(WorkSet.pTaskUtil, WorkSet.pTaskDups, &FindTaskDups, &FindTaskDupsStraight);
    AppSettings.TaskSubject = AppSettings.TaskImportance = AppSettings.TaskDueDate = AppSettings.TaskStatus = false;
    AppSettings.TaskContactID = AppSettings.TaskAssignedID = AppSettings.TaskNote = false;
    CxList list;
    std::vector<SGTaskRecord*> pointers = Pointers(tasks, tasks.size());
    EXPECT_FALSE(FindTaskDupsIndexed(pointers, list));
    EXPECT_EQ(list.GetCount(), 0u);
    ExpectSameAsStraight(WorkSet.pTaskUtil, WorkSet.pTaskDups, &FindTaskDups, &FindTaskDupsStraight);
    EXPECT_EQ(WorkSet.pTaskDups->GetCount(), 39u);
    EXPECT_EQ(GetNextTaskRecord(), nullptr);
}
