// SPDX-License-Identifier: MIT
// A whole contacts load, from democrm to a filled review list, timed stage by stage: the contacts
// helper's fetch into the data file, the bridge's read of that file, duplicate detection and the
// review list's model filled with the duplicates under a shown list view. Each size runs in a
// process of its own, so the peak memory printed (VmHWM) belongs to that size alone.
//
//   bench_e2e [contacts...]      default: 10000 100000
//
// democrm seeds the contacts before it listens; that time is printed but is no stage. The settings
// are those of a first start, with every contact source ticked, as the login page leaves them.
#include "DemocrmProcess.h"
#include "ReviewView.h"
#include "SugarCRM/CxSGAddr.h"
#include "core/AppSettings.h"
#include "core/DataKinds.h"
#include "core/Detection.h"
#include "core/DetectionIndex.h"
#include "core/WorkSet.h"
#include "gui/RecordListModel.h"
#include "misc/CxIniUtil.h"
#include "misc/CxList.h"
#include "misc/TextUtil.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QProcess>
#include <QTreeView>

#include <malloc.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

double Mb(double dBytes)
{
    return dBytes / (1024.0 * 1024.0);
}

// A line "Key:   123 kB" of /proc/self/status, in bytes.
double StatusBytes(const char* szKey)
{
    std::ifstream in("/proc/self/status");
    const std::size_t nKey = std::strlen(szKey);
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, nKey, szKey) == 0 && line.size() > nKey && line[nKey] == ':')
            return std::stod(line.substr(nKey + 1)) * 1024.0;
    }
    return 0;
}

// What malloc hands out at the moment, mapped blocks included.
double HeapBytes()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd);
}

struct Stage
{
    const char* szName;
    double dSeconds;
    double dPeakBytes;
};

void PrintStage(const Stage& stage)
{
    std::printf("  %-34s %9.2f s   peak %8.1f MB\n", stage.szName, stage.dSeconds, Mb(stage.dPeakBytes));
}

bool PrepareSettings(const char* szFolder, const QString& baseUrl)
{
    CxIniUtil ini(szFolder, "quorvel.ini");
    SettingsFile = &ini;
    LoadSettings();
    SettingsFile = nullptr;
    CopyText(AppSettings.HostName, baseUrl.toUtf8().constData());
    CopyText(AppSettings.UserName, "admin");
    CopyText(AppSettings.Password, "admin");
    AppSettings.AppFlag = DataKind::Contacts;
    AppSettings.AddrContact = true;
    AppSettings.AddrAccount = true;
    AppSettings.AddrLead = true;
    return true;
}

int RunOneSize(int nContacts)
{
    std::random_device rd;
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("veltrane-e2e-bench-" + std::to_string(rd()));
    std::filesystem::create_directories(root);
    plat::SetAppDataRootForTesting(root.string());
    SetLoadPauseForTesting([](int) {});
    const auto cleanUp = [&root] {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    };

    std::printf("%d contacts\n", nContacts);
    std::fflush(stdout);
    char szFolder[plat::kMaxPath];
    DemocrmProcess server;
    QString error;
    const Clock::time_point seedStart = Clock::now();
    // A million contacts take democrm a while to seed before it listens.
    if (!GetAppDataFolder(szFolder) ||
        !server.start({QStringLiteral("--seed"), QString::number(nContacts)}, &error, 3600000)) {
        std::fprintf(stderr, "e2e bench: cannot start democrm: %s\n", qUtf8Printable(error));
        cleanUp();
        return 1;
    }
    std::printf("  democrm seeded and listening after %.2f s (not a stage)\n", Seconds(seedStart));
    std::fflush(stdout);
    PrepareSettings(szFolder, server.baseUrl());

    const double dBaseHeap = HeapBytes();
    const double dBaseResident = StatusBytes("VmRSS");
    const double dBasePeak = StatusBytes("VmHWM");
    std::vector<Stage> stages;

    // The program's load: the helper fetches into the data file, the bridge reads it.
    Clock::time_point start = Clock::now();
    const bool bLoaded = LoadSelectedData();
    const double dLoad = Seconds(start);
    CxSGAddrUtil* pBridge = WorkSet.pAddrUtil;
    struct rusage helperUsage = {};
    // democrm still runs, so the only child waited for so far is the helper.
    getrusage(RUSAGE_CHILDREN, &helperUsage);
    if (!bLoaded || pBridge == nullptr || pBridge->GetRecordCount() != static_cast<uint32_t>(nContacts)) {
        std::fprintf(stderr, "e2e bench: the load failed or missed contacts: %s\n",
                     pBridge != nullptr && pBridge->HasError() ? pBridge->GetError() : LoadFailureReason().c_str());
        FreeWorkSet();
        server.stop();
        cleanUp();
        return 1;
    }
    // The load ran the helper and then read its data file; reading the same file once more, by
    // the same code, parts the two.
    pBridge->Clear();
    start = Clock::now();
    const bool bRead = pBridge->ReadDataFile();
    const double dRead = Seconds(start);
    const double dPeakAfterLoad = StatusBytes("VmHWM");
    if (!bRead || pBridge->GetRecordCount() != static_cast<uint32_t>(nContacts)) {
        std::fprintf(stderr, "e2e bench: the data file could not be read again\n");
        FreeWorkSet();
        server.stop();
        cleanUp();
        return 1;
    }
    stages.push_back({"fetch: helper to data file", dLoad - dRead, dPeakAfterLoad});
    stages.push_back({"load: bridge reads the data file", dRead, dPeakAfterLoad});
    const double dLoadedHeap = HeapBytes();
    const double dLoadedResident = StatusBytes("VmRSS");

    start = Clock::now();
    const bool bFound = FindAddrDups();
    stages.push_back({"detection: FindAddrDups", Seconds(start), StatusBytes("VmHWM")});
    const double dDetectedHeap = HeapBytes();
    const uint32_t nDups = WorkSet.pAddrDups->GetCount();

    // As the review page does: the duplicates, ticked, into the list's model under a shown view.
    RecordListModel model(RecordKind<SGAddrRecord>::kIndex);
    QTreeView view;
    ShowReviewView(view, model, 640);
    const double dViewHeap = HeapBytes();
    start = Clock::now();
    std::vector<void*> rows;
    rows.reserve(nDups);
    for (void* p = WorkSet.pAddrDups->GetFirst(); p != nullptr; p = WorkSet.pAddrDups->GetNext())
        rows.push_back(p);
    model.SetRecords(std::move(rows), true);
    QApplication::processEvents();
    stages.push_back({"review list filled (model + view)", Seconds(start), StatusBytes("VmHWM")});
    const double dModelHeap = HeapBytes();

    double dTotal = 0;
    for (const Stage& stage : stages) {
        PrintStage(stage);
        dTotal += stage.dSeconds;
    }
    std::printf("  %-34s %9.2f s\n", "total, democrm to review list", dTotal);
    std::printf("  detection %s, %u duplicates\n", bFound ? "ran" : "FAILED", nDups);

    const DetectionIndexStats& index = GetLastDetectionIndexStats();
    const double dRecords = static_cast<double>(sizeof(SGAddrRecord)) * nContacts;
    std::printf("  memory:\n");
    std::printf("    records: %d x %zu B = %.1f MB\n", nContacts, sizeof(SGAddrRecord), Mb(dRecords));
    // The records live in blocks of their own, outside the heap.
    std::printf("    taken by the load (resident): %.1f MB, %.0f B a contact; of it on the heap (store, list): "
                "%.1f MB\n",
                Mb(dLoadedResident - dBaseResident), (dLoadedResident - dBaseResident) / nContacts,
                Mb(dLoadedHeap - dBaseHeap));
    std::printf("    detection index at its peak: %.1f MB (%u entries a record, %llu buckets); kept after "
                "detection: %.1f MB\n",
                Mb(static_cast<double>(index.nIndexBytes)), index.nEntriesPerRecord,
                static_cast<unsigned long long>(index.nBuckets), Mb(dDetectedHeap - dLoadedHeap));
    std::printf("    review list model with %u rows: %.1f MB\n", nDups, Mb(dModelHeap - dViewHeap));
    std::printf("    program peak (VmHWM): %.1f MB, of which %.1f MB before the load (Qt, libraries)\n",
                Mb(StatusBytes("VmHWM")), Mb(dBasePeak));
    std::printf("    helper peak (its maxrss): %.1f MB\n", static_cast<double>(helperUsage.ru_maxrss) / 1024.0);
    std::fflush(stdout);

    FreeWorkSet();
    server.stop();
    cleanUp();
    return bFound ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    // The list view needs no window system; the offscreen platform keeps the bench headless.
    int nQtArgc = 3;
    char szPlatform[] = "-platform";
    char szOffscreen[] = "offscreen";
    char* qtArgv[] = {argv[0], szPlatform, szOffscreen, nullptr};
    QApplication app(nQtArgc, qtArgv);

    if (argc == 3 && std::strcmp(argv[1], "--one") == 0)
        return RunOneSize(std::atoi(argv[2]));

    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        const int nSize = std::atoi(argv[i]);
        if (nSize <= 0) {
            std::fprintf(stderr, "usage: %s [contacts...]   (default: 10000 100000)\n", argv[0]);
            return 2;
        }
        sizes.push_back(nSize);
    }
    if (sizes.empty())
        sizes = {10000, 100000};

    int nFailed = 0;
    for (const int nSize : sizes) {
        QProcess one;
        one.setProcessChannelMode(QProcess::ForwardedChannels);
        one.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--one"), QString::number(nSize)});
        if (!one.waitForFinished(-1) || one.exitStatus() != QProcess::NormalExit || one.exitCode() != 0)
            ++nFailed;
        std::printf("\n");
        std::fflush(stdout);
    }
    return nFailed == 0 ? 0 : 1;
}
