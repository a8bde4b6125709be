// SPDX-License-Identifier: MIT
// Duplicate detection and the contacts data file on realistic data sets, under the default rules.
// The sets come from a fixed seed (--seed=N picks another): about one record in ten is a copy of an
// earlier one with its letter case changed, a value left empty or its e-mail moved to another slot.
// The indexed run (FindXxxDups) and the pairwise run (FindXxxDupsStraight) are measured side by
// side. Harder shapes of contacts test the index: most last names empty; fourteen required fields
// each nearly always one of two values; and the same fields with two of them left empty at random
// in every record, the index's worst case. The million-record runs keep their records in one
// zero-filled arena, whose pages are only mapped when written: a contact is over 10 KB, mostly an
// untouched description.
#include "SugarCRM/CxSGAddr.h"
#include "SugarCRM/CxSGDate.h"
#include "SugarCRM/CxSGNote.h"
#include "SugarCRM/CxSGTask.h"
#include "core/AppSettings.h"
#include "core/Detection.h"
#include "core/DetectionIndex.h"
#include "core/WorkSet.h"
#include "misc/CxFile.h"
#include "misc/CxIniUtil.h"
#include "misc/CxList.h"
#include "misc/TextUtil.h"

#include <benchmark/benchmark.h>

#include <cctype>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace
{

unsigned g_nSeed = 20240611;
std::string g_folder;

const char* const kFirstNames[] = {
    "James",  "Mary",    "John",    "Patricia", "Robert",  "Jennifer", "Michael", "Linda",    "William", "Elizabeth",
    "David",  "Barbara", "Richard", "Susan",    "Joseph",  "Jessica",  "Thomas",  "Sarah",    "Charles", "Karen",
    "Daniel", "Nancy",   "Matthew", "Lisa",     "Anthony", "Betty",    "Mark",    "Margaret", "Paul",    "Sandra",
    "Steven", "Ashley",  "Andrew",  "Emily",    "Joshua",  "Donna",    "Kenneth", "Michelle", "Kevin",   "Carol",
    "Brian",  "Amanda",  "George",  "Melissa",  "Timothy", "Deborah",  "Ronald",  "Laura",    "Jason",   "Rebecca",
    "Edward", "Sharon",  "Jeffrey", "Cynthia",  "Ryan",    "Kathleen"};
const char* const kLastStems[] = {"Smith", "John", "Will", "Brown", "Jon", "Gar",  "Mill", "Dav",  "Rodri", "Mart",
                                  "Hern",  "Lop",  "Gonz", "Wil",   "And", "Thom", "Tay",  "Moor", "Jack",  "Whit"};
const char* const kLastMiddles[] = {"",   "a",   "e",   "in",  "or",  "ul",  "ber", "den", "ham", "ing",
                                    "ow", "ric", "sel", "tan", "ver", "win", "ach", "ell", "ond", "ust"};
const char* const kLastEnds[] = {"",     "son",  "s",    "er",    "ez",   "ford",  "ley", "ton", "man",  "ski",
                                 "berg", "well", "wood", "field", "more", "stein", "sen", "ova", "rich", "by"};
const char* const kCities[] = {"Springfield", "Riverside", "Franklin", "Greenville", "Bristol", "Clinton", "Salem"};
const char* const kTopics[] = {"Call", "Meeting", "Demo", "Follow-up", "Review", "Lunch", "Training", "Kick-off"};
const char* const kStatuses[] = {"Not Started", "In Progress", "Completed", "Pending Input"};
const char* const kPriorities[] = {"High", "Medium", "Low"};

// The shapes of contact sets; calendar events and tasks come in the realistic shape only.
enum Shape : int64_t
{
    Realistic = 0,
    EmptyLastNames = 1,  // nine last names in ten empty
    TwoValueFields = 2,  // names, department, title and address from two values each, 2 % empty
    ScatteredEmpties = 3 // the same fields, two of them empty at random in every record
};

class Generator
{
public:
    explicit Generator(unsigned nSeed, Shape shape = Realistic) : m_rng(nSeed), m_shape(shape) {}

    std::size_t Pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_rng); }
    bool Chance(unsigned nPercent) { return Pick(100) < nPercent; }
    template <class T, std::size_t N> const T& From(const T (&pool)[N]) { return pool[Pick(N)]; }
    double Modified() { return 43000.0 + static_cast<double>(Pick(2000000)) / 1000.0; }

    // Changes the letter case of a text the way a second data entry would.
    void VaryCase(char* szText)
    {
        const bool bUpper = Chance(50);
        for (char* p = szText; *p != '\0'; ++p)
            *p = static_cast<char>(bUpper ? std::toupper(static_cast<unsigned char>(*p))
                                          : std::tolower(static_cast<unsigned char>(*p)));
    }

    void Make(SGAddrRecord& r, std::size_t nIndex)
    {
        std::snprintf(r.szId, sizeof r.szId, "addr-%08zu", nIndex);
        CopyText(r.szFirstName, From(kFirstNames));
        std::snprintf(r.szLastName, sizeof r.szLastName, "%s%s%s", From(kLastStems), From(kLastMiddles),
                      From(kLastEnds));
        const std::string name = std::string(r.szFirstName) + "." + r.szLastName;
        CopyText(r.szEmail1, (name + std::to_string(nIndex) + "@example.com").c_str());
        if (Chance(30))
            CopyText(r.szEmail2, (r.szFirstName[0] + std::string(r.szLastName) + "@mail.example.org").c_str());
        std::snprintf(r.szWorkPhone, sizeof r.szWorkPhone, "+1 555 %07zu", Pick(10000000));
        if (Chance(60))
            std::snprintf(r.szMobilePhone, sizeof r.szMobilePhone, "+1 555 %07zu", Pick(10000000));
        std::snprintf(r.szPrimaryStreet, sizeof r.szPrimaryStreet, "%zu Main Street", 1 + Pick(9999));
        CopyText(r.szPrimaryCity, From(kCities));
        CopyText(r.szPrimaryCountry, "USA");
        if (Chance(20))
            CopyText(r.szDescription, "Met at the spring trade fair; interested in the enterprise plan.");
        r.dtCreated = 42000.0 + static_cast<double>(Pick(1000));
        r.dtModified = Modified();
        if (m_shape == EmptyLastNames && Chance(90))
            r.szLastName[0] = '\0';
        if (m_shape == TwoValueFields) {
            for (char* szField : {r.szFirstName, r.szLastName, r.szDepartment, r.szJobTitle, r.szPrimaryStreet,
                                  r.szPrimaryCity, r.szPrimaryState, r.szPrimaryPostalCode, r.szPrimaryCountry,
                                  r.szAltStreet, r.szAltCity, r.szAltState, r.szAltPostalCode, r.szAltCountry})
                CopyText(szField, 32, Chance(2) ? "" : (Chance(50) ? "North" : "South"));
        }
        if (m_shape == ScatteredEmpties) {
            char* const fields[] = {r.szFirstName,      r.szLastName,    r.szDepartment,   r.szJobTitle,
                                    r.szPrimaryStreet,  r.szPrimaryCity, r.szPrimaryState, r.szPrimaryPostalCode,
                                    r.szPrimaryCountry, r.szAltStreet,   r.szAltCity,      r.szAltState,
                                    r.szAltPostalCode,  r.szAltCountry};
            for (char* szField : fields)
                CopyText(szField, 32, Chance(50) ? "North" : "South");
            fields[Pick(std::size(fields))][0] = '\0';
            fields[Pick(std::size(fields))][0] = '\0';
        }
    }

    void Vary(SGAddrRecord& r)
    {
        VaryCase(Chance(50) ? r.szLastName : r.szFirstName);
        if (Chance(25)) {
            CopyText(r.szEmail2, r.szEmail1);
            CopyText(r.szEmail1, (std::string(r.szLastName) + "@other.example.net").c_str());
        }
        else if (Chance(25)) {
            r.szEmail1[0] = '\0';
        }
        if (Chance(30))
            r.szMobilePhone[0] = '\0';
    }

    void Make(SGDateRecord& r, std::size_t nIndex)
    {
        std::snprintf(r.szId, sizeof r.szId, "date-%08zu", nIndex);
        std::snprintf(r.szSubject, sizeof r.szSubject, "%s with %s", From(kTopics), From(kFirstNames));
        r.dtStart = 44000.0 + static_cast<double>(Pick(700)) + static_cast<double>(16 + Pick(20)) / 48.0;
        r.dtEnd = r.dtStart + 1.0 / 24.0;
        CopyText(r.szStatus, "Planned");
        std::snprintf(r.szContactId, sizeof r.szContactId, "contact-%06zu", Pick(20000));
        std::snprintf(r.szAssignedId, sizeof r.szAssignedId, "user-%02zu", Pick(40));
        CopyText(r.szLocation, From(kCities));
        r.dtModified = Modified();
    }

    void Vary(SGDateRecord& r)
    {
        VaryCase(r.szSubject);
        if (Chance(30))
            r.szContactId[0] = '\0';
    }

    void Make(SGTaskRecord& r, std::size_t nIndex)
    {
        std::snprintf(r.szId, sizeof r.szId, "task-%08zu", nIndex);
        std::snprintf(r.szSubject, sizeof r.szSubject, "%s for %s", From(kTopics), From(kFirstNames));
        r.dtDue = 44000.0 + static_cast<double>(Pick(700));
        CopyText(r.szStatus, From(kStatuses));
        CopyText(r.szPriority, From(kPriorities));
        std::snprintf(r.szContactId, sizeof r.szContactId, "contact-%06zu", Pick(20000));
        std::snprintf(r.szAssignedId, sizeof r.szAssignedId, "user-%02zu", Pick(40));
        r.dtModified = Modified();
    }

    void Vary(SGTaskRecord& r)
    {
        VaryCase(r.szSubject);
        if (Chance(30))
            r.szAssignedId[0] = '\0';
    }

private:
    std::mt19937 m_rng;
    Shape m_shape;
};

// Copies what detection and the generator use, leaving the description's pages of an arena record
// unwritten unless it has a description.
void CopyContact(SGAddrRecord& to, const SGAddrRecord& from)
{
    std::memcpy(static_cast<void*>(&to), &from, offsetof(SGAddrRecord, szDescription));
    if (from.szDescription[0] != '\0' || to.szDescription[0] != '\0')
        CopyText(to.szDescription, from.szDescription);
    to.dtCreated = from.dtCreated;
    to.dtModified = from.dtModified;
}

void CopyContact(SGDateRecord& to, const SGDateRecord& from)
{
    to = from;
}

void CopyContact(SGTaskRecord& to, const SGTaskRecord& from)
{
    to = from;
}

// Fills nCount records: one in ten a varied copy of an earlier one.
template <class Record> void MakeSet(Record* pRecords, std::size_t nCount, Shape shape)
{
    Generator gen(g_nSeed, shape);
    for (std::size_t i = 0; i < nCount; ++i) {
        if (i > 0 && gen.Chance(10)) {
            CopyContact(pRecords[i], pRecords[gen.Pick(i)]);
            gen.Vary(pRecords[i]);
            pRecords[i].dtModified = gen.Modified();
        }
        else {
            gen.Make(pRecords[i], i);
        }
    }
}

// The rules of each shape: the defaults, with the two-value fields required too.
class ShapeRules
{
public:
    explicit ShapeRules(Shape shape) : m_saved(AppSettings)
    {
        if (shape == TwoValueFields || shape == ScatteredEmpties)
            AppSettings.AddrDepartment = AppSettings.AddrTitle = AppSettings.AddrAddress = true;
    }
    ~ShapeRules() { AppSettings = m_saved; }
    ShapeRules(const ShapeRules&) = delete;
    ShapeRules& operator=(const ShapeRules&) = delete;

private:
    AppSettingsData m_saved;
};

// The resident memory of the process in MB, where the system tells it.
double ResidentMB()
{
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == "VmRSS:") {
            double dKB = 0;
            status >> dKB;
            return dKB / 1024.0;
        }
    }
    return 0;
}

// Writes a set of nCount records of the kind as its data file in the bench folder.
template <class Kind> void WriteSet(std::size_t nCount, Shape shape = Realistic)
{
    std::vector<typename Kind::Record> records(nCount);
    MakeSet(records.data(), nCount, shape);
    CxFile file;
    file.Open((g_folder + Kind::kInfo.szDataFile).c_str(), "wb");
    file.WriteInt(static_cast<int32_t>(nCount));
    for (const auto& record : records)
        Kind::WriteRecord(file, record);
    file.Close();
}

template <class Kind> void LoadSet(CxSGRecordBridge<Kind>& bridge, std::size_t nCount, Shape shape = Realistic)
{
    WriteSet<Kind>(nCount, shape);
    bridge.SetWorkFolder(g_folder.c_str());
    bridge.Clear();
    bridge.ReadDataFile();
}

// A WorkSet with the one kind loaded and the rules as a first start sets them.
void PrepareWorkSet()
{
    FreeWorkSet();
    CxIniUtil ini(g_folder.c_str(), "quorvel.ini");
    SettingsFile = &ini;
    LoadSettings();
    SettingsFile = nullptr;
    WorkSet.pAddrUtil = new CxSGAddrUtil();
    WorkSet.pDateUtil = new CxSGDateUtil();
    WorkSet.pTaskUtil = new CxSGTaskUtil();
    WorkSet.pNoteUtil = new CxSGNoteUtil();
    WorkSet.pAddrDups = new CxList();
    WorkSet.pDateDups = new CxList();
    WorkSet.pTaskDups = new CxList();
    WorkSet.pNoteDups = new CxList();
}

void IndexCounters(benchmark::State& state)
{
    const DetectionIndexStats& stats = GetLastDetectionIndexStats();
    state.counters["index_entries/rec"] = stats.nEntriesPerRecord;
    state.counters["mask_groups"] = stats.nMaskGroups;
    state.counters["index_MB"] = static_cast<double>(stats.nIndexBytes) / (1024.0 * 1024.0);
}

// Arguments: the number of records and, for contacts, the shape of the set.
template <class Kind>
void RunDetection(benchmark::State& state, CxSGRecordBridge<Kind>* pBridge, CxList* pList, bool (*pfnFind)())
{
    const auto nCount = static_cast<std::size_t>(state.range(0));
    const Shape shape = static_cast<Shape>(state.range(1));
    LoadSet(*pBridge, nCount, shape);
    const ShapeRules rules(shape);
    ResetMatchRuleCalls();
    for (auto _ : state)
        benchmark::DoNotOptimize(pfnFind());
    const auto nIterations = static_cast<double>(state.iterations());
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(nCount) * nIterations, benchmark::Counter::kIsRate);
    state.counters["match_calls/s"] =
        benchmark::Counter(static_cast<double>(GetMatchRuleCalls()), benchmark::Counter::kIsRate);
    state.counters["match_calls"] = static_cast<double>(GetMatchRuleCalls()) / nIterations;
    state.counters["dups"] = static_cast<double>(pList->GetCount());
    pBridge->Clear();
}

void BM_FindAddrDups(benchmark::State& state)
{
    RunDetection(state, WorkSet.pAddrUtil, WorkSet.pAddrDups, FindAddrDups);
    IndexCounters(state);
}

// Arguments: the number of records and the stricter matching options, 1 for strict e-mail and 2 for
// normalised comparison, 4 for the e-mail rule alone; realistic contacts under the default rules
// otherwise.
void BM_FindAddrDupsOptions(benchmark::State& state)
{
    const AppSettingsData saved = AppSettings;
    AppSettings.AddrStrictEmail = (state.range(1) & 1) != 0;
    AppSettings.NormaliseCompare = (state.range(1) & 2) != 0;
    if ((state.range(1) & 4) != 0)
        AppSettings.AddrDisplayName = AppSettings.AddrFirstName = AppSettings.AddrLastName = false;
    LoadSet(*WorkSet.pAddrUtil, static_cast<std::size_t>(state.range(0)));
    ResetMatchRuleCalls();
    for (auto _ : state)
        benchmark::DoNotOptimize(FindAddrDups());
    state.counters["match_calls"] = static_cast<double>(GetMatchRuleCalls()) / static_cast<double>(state.iterations());
    state.counters["dups"] = static_cast<double>(WorkSet.pAddrDups->GetCount());
    IndexCounters(state);
    WorkSet.pAddrUtil->Clear();
    AppSettings = saved;
}

void BM_FindAddrDupsStraight(benchmark::State& state)
{
    RunDetection(state, WorkSet.pAddrUtil, WorkSet.pAddrDups, FindAddrDupsStraight);
}

void BM_FindDateDups(benchmark::State& state)
{
    RunDetection(state, WorkSet.pDateUtil, WorkSet.pDateDups, FindDateDups);
    IndexCounters(state);
}

void BM_FindDateDupsStraight(benchmark::State& state)
{
    RunDetection(state, WorkSet.pDateUtil, WorkSet.pDateDups, FindDateDupsStraight);
}

void BM_FindTaskDups(benchmark::State& state)
{
    RunDetection(state, WorkSet.pTaskUtil, WorkSet.pTaskDups, FindTaskDups);
    IndexCounters(state);
}

void BM_FindTaskDupsStraight(benchmark::State& state)
{
    RunDetection(state, WorkSet.pTaskUtil, WorkSet.pTaskDups, FindTaskDupsStraight);
}

struct FreeArena
{
    void operator()(void* p) const { std::free(p); }
};

// A million contacts do not fit the bridges (10 GB): the indexed run goes over an arena directly.
void BM_FindAddrDupsArena(benchmark::State& state)
{
    const auto nCount = static_cast<std::size_t>(state.range(0));
    const Shape shape = static_cast<Shape>(state.range(1));
    // Zero-filled memory is a set of empty records; calloc leaves large blocks unwritten.
    std::unique_ptr<SGAddrRecord, FreeArena> arena(
        static_cast<SGAddrRecord*>(std::calloc(nCount, sizeof(SGAddrRecord))));
    if (!arena) {
        state.SkipWithError("no memory for the arena");
        return;
    }
    MakeSet(arena.get(), nCount, shape);
    std::vector<SGAddrRecord*> records(nCount);
    for (std::size_t i = 0; i < nCount; ++i)
        records[i] = arena.get() + i;
    const ShapeRules rules(shape);
    CxList list;
    ResetMatchRuleCalls();
    for (auto _ : state) {
        list.RemoveAll(false);
        for (SGAddrRecord* pRecord : records)
            pRecord->dwFlags = 0;
        benchmark::DoNotOptimize(FindAddrDupsIndexed(records, list));
    }
    const auto nIterations = static_cast<double>(state.iterations());
    state.counters["match_calls"] = static_cast<double>(GetMatchRuleCalls()) / nIterations;
    state.counters["dups"] = static_cast<double>(list.GetCount());
    state.counters["rss_MB"] = ResidentMB();
    IndexCounters(state);
    list.RemoveAll(false);
}

constexpr std::size_t kFileContacts = 50000;

void BM_ReadContactsFile(benchmark::State& state)
{
    WriteSet<SGAddrKind>(kFileContacts);
    CxSGAddrUtil& bridge = *WorkSet.pAddrUtil;
    bridge.SetWorkFolder(g_folder.c_str());
    for (auto _ : state) {
        bridge.Clear();
        benchmark::DoNotOptimize(bridge.ReadDataFile());
    }
    state.SetBytesProcessed(state.iterations() * CxFile::GetFileSize((g_folder + "SGAddr.dat").c_str()));
    bridge.Clear();
}

void BM_WriteContactsFile(benchmark::State& state)
{
    LoadSet(*WorkSet.pAddrUtil, kFileContacts);
    for (auto _ : state)
        benchmark::DoNotOptimize(WorkSet.pAddrUtil->WriteDataFile());
    state.SetBytesProcessed(state.iterations() * CxFile::GetFileSize((g_folder + "SGAddr.dat").c_str()));
    WorkSet.pAddrUtil->Clear();
}

// The pairwise run of 100 000 contacts takes about 40 s: one iteration.
BENCHMARK(BM_FindAddrDups)
    ->Args({1000, Realistic})
    ->Args({10000, Realistic})
    ->Args({100000, Realistic})
    ->Args({30000, EmptyLastNames})
    ->Args({30000, TwoValueFields})
    ->Args({100000, EmptyLastNames})
    ->Args({100000, TwoValueFields})
    ->Args({30000, ScatteredEmpties})
    ->Args({100000, ScatteredEmpties})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_FindAddrDupsStraight)
    ->Args({1000, Realistic})
    ->Args({10000, Realistic})
    ->Args({30000, EmptyLastNames})
    ->Args({30000, TwoValueFields})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_FindAddrDupsStraight)->Args({100000, Realistic})->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindAddrDupsOptions)
    ->ArgsProduct({{100000}, {0, 1, 2, 3, 5}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_FindAddrDupsArena)
    ->Args({1000000, Realistic})
    ->Args({1000000, EmptyLastNames})
    ->Args({1000000, TwoValueFields})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_FindDateDups)
    ->Args({1000, Realistic})
    ->Args({10000, Realistic})
    ->Args({100000, Realistic})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_FindDateDupsStraight)->Args({1000, Realistic})->Args({10000, Realistic})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindTaskDups)
    ->Args({1000, Realistic})
    ->Args({10000, Realistic})
    ->Args({100000, Realistic})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_FindTaskDupsStraight)->Args({1000, Realistic})->Args({10000, Realistic})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadContactsFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteContactsFile)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--seed=", 7) == 0)
            g_nSeed = static_cast<unsigned>(std::strtoul(argv[i] + 7, nullptr, 10));
    }
    benchmark::Initialize(&argc, argv);
    std::random_device rd;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("veltrane-bench-" + std::to_string(rd()));
    std::filesystem::create_directories(folder);
    g_folder = folder.string() + "/";
    PrepareWorkSet();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    FreeWorkSet();
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return 0;
}
