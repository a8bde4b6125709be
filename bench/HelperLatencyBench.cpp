// SPDX-License-Identifier: MIT
// The contacts helper against democrm with and without added latency: a load of 10 000 contacts
// and deletions of 2 000 and 10 000, each with four requests in flight and with one at a time (the
// page-by-page walk and one set_entry per record). Arguments: latency in ms, requests in flight,
// and for a deletion the records deleted. A run's own round trips (login, the first and the last
// request, logout) weigh on 2 000 records five times as much as on 10 000.
#include "DemocrmProcess.h"
#include "HelperRun.h"
#include "SugarCRM/CxSGParamParser.h"
#include "SugarCRM/SGParamTags.h"
#include "TempDir.h"
#include "misc/CxFile.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace
{

constexpr int kFetched = 10000;

bool StartServer(DemocrmProcess& server, int nRecords, int64_t nLatencyMs)
{
    QString error;
    return server.start({QStringLiteral("--seed"), QString::number(nRecords), QStringLiteral("--latency-ms"),
                         QString::number(nLatencyMs)},
                        &error);
}

int RunContacts(const TempDir& dir, const DemocrmProcess& server, int nOperation, int64_t nInFlight)
{
    CxSGParamParser params;
    params.SetParam(SGParam::HostName, server.baseUrl().toUtf8().constData());
    params.SetParam(SGParam::UserName, "admin");
    params.SetParam(SGParam::Password, "admin");
    params.SetParam(SGParam::DataFile, "SGAddr.dat");
    params.SetParam(SGParam::Folder, dir.path().c_str());
    params.SetParam(SGParam::Operation, std::to_string(nOperation).c_str());
    params.SetParam(SGParam::ErrorFile, "SGAddrErr.dat");
    params.SetParam(SGParam::StatusFile, "SGAddrStatus.dat");
    params.SetParam(SGParam::LogLocation, dir.path().c_str());
    params.SetParam(SGParam::Modules, "Contacts");
    params.SetParam(SGParam::LogLevel, "0");
    params.SetParam(SGParam::LogEnabled, "0");
    const std::string paramPath = dir.file("SGAddrParam.dat");
    if (!params.SaveToFile(paramPath.c_str()))
        return -1;
    SugarClient::Options options;
    options.nInFlight = static_cast<int>(nInFlight);
    return RunHelper(HelperKind::Addr, paramPath.c_str(), options);
}

// Marks every record of the data file for deletion.
bool MarkAll(const std::string& path)
{
    std::vector<std::unique_ptr<SGAddrRecord>> records;
    {
        CxFile file;
        if (!file.Open(path.c_str(), "rb"))
            return false;
        int32_t nCount = 0;
        file.ReadInt(&nCount);
        for (int32_t i = 0; i < nCount; ++i) {
            records.push_back(std::make_unique<SGAddrRecord>());
            SGAddrKind::ReadRecord(file, *records.back());
            records.back()->nStatus = SGSTATUS_DELETE;
        }
    }
    DataFileWriter<SGAddrKind> writer(path);
    if (!writer.Open())
        return false;
    for (const auto& pRecord : records)
        writer.Add(*pRecord);
    return writer.Commit();
}

// Runs the helper once; its time in seconds, or a negative number when it failed.
double TimedRun(const TempDir& dir, const DemocrmProcess& server, int nOperation, int64_t nInFlight)
{
    const auto start = std::chrono::steady_clock::now();
    const int nExit = RunContacts(dir, server, nOperation, nInFlight);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return nExit == 0 ? elapsed.count() : -1;
}

void BM_FetchContacts(benchmark::State& state)
{
    DemocrmProcess server;
    if (!StartServer(server, kFetched, state.range(0))) {
        state.SkipWithError("democrm did not start");
        return;
    }
    TempDir dir;
    double dSeconds = 0;
    for (auto _ : state) {
        const double dRun = TimedRun(dir, server, 1, state.range(1));
        if (dRun < 0) {
            state.SkipWithError("the load failed");
            return;
        }
        state.SetIterationTime(dRun);
        dSeconds += dRun;
    }
    state.counters["records_per_s"] = kFetched * static_cast<double>(state.iterations()) / dSeconds;
}
BENCHMARK(BM_FetchContacts)
    ->ArgNames({"latency_ms", "in_flight"})
    ->Args({0, 1})
    ->Args({0, 4})
    ->Args({50, 1})
    ->Args({50, 4})
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_DeleteContacts(benchmark::State& state)
{
    const int nDeleted = static_cast<int>(state.range(2));
    double dSeconds = 0;
    for (auto _ : state) {
        DemocrmProcess server;
        TempDir dir;
        if (!StartServer(server, nDeleted, state.range(0)) || RunContacts(dir, server, 1, 4) != 0 ||
            !MarkAll(dir.file("SGAddr.dat"))) {
            state.SkipWithError("no contacts to delete");
            return;
        }
        const double dRun = TimedRun(dir, server, 2, state.range(1));
        if (dRun < 0) {
            state.SkipWithError("the deletion failed");
            return;
        }
        state.SetIterationTime(dRun);
        dSeconds += dRun;
    }
    state.counters["ms_per_record"] = dSeconds * 1000 / (nDeleted * static_cast<double>(state.iterations()));
}
BENCHMARK(BM_DeleteContacts)
    ->ArgNames({"latency_ms", "in_flight", "deleted"})
    ->Args({0, 1, 2000})
    ->Args({0, 4, 2000})
    ->Args({50, 4, 2000})
    ->Args({0, 4, 10000})
    ->Args({50, 4, 10000})
    ->Args({50, 1, 2000})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
