// SPDX-License-Identifier: MIT
// Rebuilding a review list: the rows of 10 000 and 100 000 contacts handed to the list model while a
// list view shows it, the view's own work on the next event round included. The second bench lists
// duplicates, each with a record kept for it, in a view wide enough to show every column.
#include "ReviewView.h"
#include "core/AppSettings.h"
#include "core/DataKinds.h"
#include "core/WorkSet.h"
#include "gui/RecordListModel.h"
#include "misc/CxList.h"
#include "records/SGRecords.h"

#include <QApplication>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace
{

std::vector<SGAddrRecord> MakeContacts(std::size_t nCount)
{
    std::vector<SGAddrRecord> records(nCount);
    for (std::size_t i = 0; i < nCount; ++i) {
        std::snprintf(records[i].szFirstName, sizeof records[i].szFirstName, "First%zu", i);
        std::snprintf(records[i].szLastName, sizeof records[i].szLastName, "Last%zu", i % 977);
        std::snprintf(records[i].szEmail1, sizeof records[i].szEmail1, "user%zu@example.org", i);
        std::snprintf(records[i].szWorkPhone, sizeof records[i].szWorkPhone, "+1 555 %07zu", i);
    }
    return records;
}

void BM_RebuildContactList(benchmark::State& state)
{
    std::vector<SGAddrRecord> contacts = MakeContacts(static_cast<std::size_t>(state.range(0)));
    RecordListModel model(RecordKind<SGAddrRecord>::kIndex);
    QTreeView view;
    ShowReviewView(view, model, 640);

    for (auto _ : state) {
        std::vector<void*> rows;
        rows.reserve(contacts.size());
        for (SGAddrRecord& record : contacts)
            rows.push_back(&record);
        model.SetRecords(std::move(rows), true);
        QApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RebuildContactList)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Every other contact a duplicate of the next one, as detection leaves them, and the duplicates
// listed.
void BM_RebuildDuplicateList(benchmark::State& state)
{
    const std::size_t nCount = static_cast<std::size_t>(state.range(0));
    std::vector<SGAddrRecord> contacts = MakeContacts(2 * nCount);
    AppSettings = AppSettingsData();
    AppSettings.AddrDisplayName = AppSettings.AddrFirstName = AppSettings.AddrLastName = AppSettings.AddrEmail = true;
    CxList dups;
    WorkSet.pAddrDups = &dups;
    for (std::size_t i = 0; i < nCount; ++i) {
        SGAddrRecord& record = contacts[2 * i];
        SGAddrRecord& kept = contacts[2 * i + 1];
        std::snprintf(record.szFirstName, sizeof record.szFirstName, "%s", kept.szFirstName);
        std::snprintf(record.szLastName, sizeof record.szLastName, "%s", kept.szLastName);
        record.szEmail1[0] = '\0';
        record.dwFlags = REC_DUPLICATE;
        record.pKeeper = &kept;
        dups.AddTail(&record);
    }
    RecordListModel model(RecordKind<SGAddrRecord>::kIndex);
    QTreeView view;
    ShowReviewView(view, model, 1600);

    for (auto _ : state) {
        std::vector<void*> rows;
        rows.reserve(nCount);
        for (void* pRecord = dups.GetFirst(); pRecord != nullptr; pRecord = dups.GetNext())
            rows.push_back(pRecord);
        model.SetRecords(std::move(rows), true);
        QApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    model.SetRecords({}, false);
    WorkSet.pAddrDups = nullptr;
}
BENCHMARK(BM_RebuildDuplicateList)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // A window system is not needed to measure the list; the offscreen platform keeps it headless.
    int nQtArgc = 3;
    char szProgram[] = "bench_review_list";
    char szPlatform[] = "-platform";
    char szOffscreen[] = "offscreen";
    char* qtArgv[] = {szProgram, szPlatform, szOffscreen, nullptr};
    QApplication app(nQtArgc, qtArgv);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
