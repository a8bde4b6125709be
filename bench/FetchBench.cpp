// SPDX-License-Identifier: MIT
// A contacts load of 10 000 records (or VELTRANE_FETCH_CONTACTS, e.g. 100000 to see whether far
// pages cost more) from democrm through the real contacts helper, the way the
// login page starts it: helper run, data file, records and store. Prints the records per second
// and the pages the helper asked for; the seed is democrm's own, so every run loads the same set.
// The default contact sources stay ticked, so the pages include one empty page each of accounts
// and leads.
#include "DemocrmProcess.h"
#include "SugarCRM/CxSGAddr.h"
#include "core/AppSettings.h"
#include "core/WorkSet.h"
#include "misc/CxIniUtil.h"
#include "misc/TextUtil.h"
#include "platform/Platform.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace
{

int g_contacts = 10000;

std::string g_folder;

// At its most detailed level the helper's log names every request it sends; a page is one
// first attempt of get_entry_list.
int CountPages(const std::string& logPath)
{
    std::ifstream in(logPath);
    int nPages = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.find("Request get_entry_list") != std::string::npos && line.find("(attempt 1)") != std::string::npos)
            ++nPages;
    }
    return nPages;
}

void BM_FetchContacts(benchmark::State& state)
{
    const std::string logPath = g_folder + "SGAddrUtil.log";
    double dSeconds = 0;
    int nPages = 0;
    for (auto _ : state) {
        plat::DeleteFile(logPath.c_str());
        const auto start = std::chrono::steady_clock::now();
        const bool bLoaded = LoadSelectedData();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(elapsed.count());
        dSeconds += elapsed.count();
        if (!bLoaded || WorkSet.pAddrUtil->GetRecordCount() != static_cast<uint32_t>(g_contacts)) {
            state.SkipWithError(WorkSet.pAddrUtil != nullptr && WorkSet.pAddrUtil->HasError()
                                    ? WorkSet.pAddrUtil->GetError()
                                    : "the load did not bring every contact");
            return;
        }
        nPages = CountPages(logPath);
    }
    state.counters["records"] = g_contacts;
    state.counters["pages"] = nPages;
    state.counters["records_per_s"] =
        dSeconds > 0 ? g_contacts * static_cast<double>(state.iterations()) / dSeconds : 0;
}
BENCHMARK(BM_FetchContacts)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    if (const char* szContacts = std::getenv("VELTRANE_FETCH_CONTACTS")) {
        g_contacts = std::atoi(szContacts);
        if (g_contacts <= 0) {
            std::fprintf(stderr, "fetch bench: VELTRANE_FETCH_CONTACTS must be a positive number\n");
            return 2;
        }
    }
    std::random_device rd;
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("veltrane-fetch-bench-" + std::to_string(rd()));
    std::filesystem::create_directories(root);
    plat::SetAppDataRootForTesting(root.string());
    SetLoadPauseForTesting([](int) {});
    char szFolder[260];
    DemocrmProcess server;
    QString error;
    if (!GetAppDataFolder(szFolder) || !server.start({QStringLiteral("--seed"), QString::number(g_contacts)}, &error)) {
        std::fprintf(stderr, "fetch bench: cannot start: %s\n", qUtf8Printable(error));
        std::filesystem::remove_all(root);
        return 1;
    }
    g_folder = szFolder;

    // The settings of a first start, then the login page's fields.
    CxIniUtil ini(szFolder, "quorvel.ini");
    SettingsFile = &ini;
    LoadSettings();
    SettingsFile = nullptr;
    CopyText(AppSettings.HostName, server.baseUrl().toUtf8().constData());
    CopyText(AppSettings.UserName, "admin");
    CopyText(AppSettings.Password, "admin");
    AppSettings.AppFlag = DataKind::Contacts;
    AppSettings.DebugEnabled = true;
    AppSettings.DebugLevel = 2;

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    FreeWorkSet();
    server.stop();
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return 0;
}
