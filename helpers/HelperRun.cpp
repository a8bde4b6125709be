// SPDX-License-Identifier: MIT
#include "HelperRun.h"

#include "DeleteBatches.h"
#include "ExchangeFiles.h"
#include "FieldMap.h"
#include "FieldValues.h"
#include "HelperJob.h"
#include "HelperLog.h"
#include "MergeRecord.h"
#include "NoteIds.h"
#include "PageQueue.h"
#include "PageWalk.h"
#include "ServerUrl.h"
#include "SugarCRM/MergeFiles.h"
#include "SugarReply.h"
#include "misc/TextUtil.h"
#include "platform/Platform.h"

#include <QJsonArray>
#include <QSet>

#include <algorithm>
#include <map>
#include <memory>
#include <set>

namespace
{

struct Context
{
    const HelperJob& job;
    const HelperKindInfo& info;
    ErrorFile& errors;
    ProgressFile& progress;
    RunState& state;
    SugarClient::Options options;
};

// The modules to fetch: for contacts the chosen ones (in the table's order), for the other kinds
// all of theirs. False when a choice was given that names none of them.
template <class Rec> bool ChosenModules(const Context& ctx, std::vector<const ModuleMap<Rec>*>& modules)
{
    const QStringList chosen = ctx.job.sModules.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const ModuleMap<Rec>& module : ModulesFor<Rec>()) {
        bool bTake = chosen.isEmpty() || !std::is_same_v<Rec, SGAddrRecord>;
        for (const QString& name : chosen)
            bTake = bTake || name.trimmed().compare(QLatin1String(module.szModule), Qt::CaseInsensitive) == 0;
        if (bTake)
            modules.push_back(&module);
    }
    if (modules.empty()) {
        ctx.errors.Add(QStringLiteral("None of the chosen modules (%1) can be loaded.").arg(ctx.job.sModules));
        return false;
    }
    return true;
}

bool OpenSession(Context& ctx, SugarClient& client)
{
    ctx.progress.Set(QStringLiteral("Connecting to %1").arg(client.Endpoint().host()));
    client.SetOptions(ctx.options);
    client.SetStopCheck([&ctx] { return ctx.state.StopRequested(); });
    return client.Login(ctx.job.sUser, ctx.job.sPassword);
}

bool MakeEndpoint(Context& ctx, QUrl& endpoint)
{
    QString error;
    if (NormaliseServerUrl(ctx.job.sHost, endpoint, error))
        return true;
    ctx.errors.Add(error);
    HELPER_LOG(0, "%s", qUtf8Printable(error));
    return false;
}

// The records of one module as they go into the data file, in the server's order.
template <class Kind> class ModuleLoad
{
public:
    using Record = typename Kind::Record;

    ModuleLoad(Context& ctx, const ModuleMap<Record>& module, DataFileWriter<Kind>& writer,
               std::vector<std::string>& noteIds)
        : m_ctx(ctx), m_module(module), m_writer(writer), m_noteIds(noteIds), m_pRecord(std::make_unique<Record>())
    {
    }

    // Takes the entries of a page from nFrom on.
    void Add(const QJsonArray& entries, qsizetype nFrom)
    {
        const QString moduleName = QLatin1String(m_module.szModule);
        for (qsizetype i = nFrom; i < entries.size(); ++i) {
            const QJsonObject entry = entries.at(i).toObject();
            const QJsonValue nameValues = entry.value(QLatin1String("name_value_list"));
            QString id = entry.value(QLatin1String("id")).toString();
            if (id.isEmpty())
                NameValue(nameValues, QStringLiteral("id"), id);
            QString deleted;
            if (id.isEmpty() ||
                (NameValue(nameValues, QStringLiteral("deleted"), deleted) && deleted.trimmed() == QLatin1String("1")))
                continue;
            // Paging by offset can hand out a record twice when the data changes meanwhile.
            if (m_seen.contains(id))
                continue;
            m_seen.insert(id);
            const std::string ansiId = ToAnsi(id, 1024);
            // A cut id would name another record, or none, at the deletion.
            if (ansiId.size() >= sizeof(SGAddrRecord::szId)) {
                m_ctx.errors.Add(QStringLiteral("A record of %1 has an id too long to keep (%2) and was left out.")
                                     .arg(moduleName, id));
                continue;
            }
            *m_pRecord = Record();
            MapEntry(m_module, nameValues, *m_pRecord);
            if constexpr (std::is_same_v<Record, SGNoteRecord>) {
                m_pRecord->nAux = static_cast<int32_t>(m_noteIds.size());
                m_noteIds.push_back(ansiId);
            }
            else {
                CopyText(m_pRecord->szId, ansiId.c_str());
            }
            m_writer.Add(*m_pRecord);
            ++m_nLoaded;
        }
    }

    void Progress(qint64 nTotal)
    {
        const QString moduleName = QLatin1String(m_module.szModule);
        if (nTotal >= 0)
            m_ctx.progress.Set(QStringLiteral("Loading %1: %2 of %3").arg(moduleName).arg(m_nLoaded).arg(nTotal));
        else
            m_ctx.progress.Set(QStringLiteral("Loading %1: %2").arg(moduleName).arg(m_nLoaded));
    }

    qint64 Loaded() const { return m_nLoaded; }

private:
    Context& m_ctx;
    const ModuleMap<Record>& m_module;
    DataFileWriter<Kind>& m_writer;
    std::vector<std::string>& m_noteIds;
    std::unique_ptr<Record> m_pRecord;
    QSet<QString> m_seen;
    qint64 m_nLoaded = 0;
};

// Pages through one module and appends its records to the data file.
template <class Kind>
bool FetchModule(Context& ctx, SugarClient& client, const ModuleMap<typename Kind::Record>& module,
                 DataFileWriter<Kind>& writer, std::vector<std::string>& noteIds)
{
    const QString moduleName = QLatin1String(module.szModule);
    ModuleLoad<Kind> load(ctx, module, writer, noteIds);
    ctx.progress.Set(QStringLiteral("Loading %1").arg(moduleName));
    PageQueue pages([&load](const QJsonArray& entries, qsizetype nFrom, qint64 nTotal) {
        load.Add(entries, nFrom);
        load.Progress(nTotal);
    });
    const bool bWalked = WalkModule(
        client, moduleName, SelectFields(module),
        [&pages](const QJsonArray& entries, qsizetype nFrom, qint64 nTotal) { pages.Push(entries, nFrom, nTotal); });
    // The error file and the progress line are the taker's until it is done.
    pages.Finish();
    if (!bWalked)
        return false;
    HELPER_LOG(1, "Loaded %lld records of %s.", static_cast<long long>(load.Loaded()), module.szModule);
    return true;
}

template <class Kind> bool Fetch(Context& ctx)
{
    using Record = typename Kind::Record;
    constexpr bool bNotes = std::is_same_v<Record, SGNoteRecord>;
    const std::string dataPath = ctx.job.InFolder(ctx.job.dataFile);
    const std::string idsPath = ctx.job.InFolder(NoteIds::kFileName);
    // An old data file must not pass for the result of this run if it fails.
    plat::DeleteFile(dataPath.c_str());
    if (bNotes)
        plat::DeleteFile(idsPath.c_str());

    std::vector<const ModuleMap<Record>*> modules;
    QUrl endpoint;
    if (!ChosenModules(ctx, modules) || !MakeEndpoint(ctx, endpoint))
        return false;

    DataFileWriter<Kind> writer(dataPath);
    if (!writer.Open()) {
        ctx.errors.Add(QStringLiteral("The data file %1 cannot be written.").arg(FromAnsi(dataPath)));
        return false;
    }
    SugarClient client(endpoint);
    if (!OpenSession(ctx, client)) {
        ctx.errors.Add(client.WasStopped() ? QStringLiteral("Loading was stopped; nothing was loaded.")
                                           : client.LastError());
        return false;
    }
    std::vector<std::string> noteIds;
    for (const ModuleMap<Record>* pModule : modules) {
        if (!FetchModule(ctx, client, *pModule, writer, noteIds)) {
            ctx.errors.Add(client.WasStopped() ? QStringLiteral("Loading was stopped; nothing was loaded.")
                                               : QStringLiteral("Loading %1 failed: %2")
                                                     .arg(QLatin1String(pModule->szModule), client.LastError()));
            client.Logout();
            return false;
        }
    }
    client.Logout();

    if ((bNotes && !NoteIds::Save(idsPath, noteIds)) || !writer.Commit()) {
        ctx.errors.Add(QStringLiteral("The loaded records cannot be saved in %1.").arg(FromAnsi(ctx.job.folder)));
        plat::DeleteFile(idsPath.c_str());
        return false;
    }
    ctx.progress.Set(QStringLiteral("Loaded %1 %2").arg(writer.Count()).arg(QLatin1String(ctx.info.szLabel)));
    HELPER_LOG(1, "Wrote %u records to %s.", writer.Count(), ctx.job.dataFile.c_str());
    return true;
}

template <class Rec> const ModuleMap<Rec>* ModuleOfType(int32_t nType)
{
    const std::vector<ModuleMap<Rec>>& modules = ModulesFor<Rec>();
    // Tasks and notes have one module and no sub-type.
    if (modules.size() == 1)
        return &modules.front();
    for (const ModuleMap<Rec>& module : modules) {
        if (module.nType == nType)
            return &module;
    }
    return nullptr;
}

// Shows the step, then the mark's module; null, with the error said and the record left, when its
// type or id is not known.
template <class Record>
const ModuleMap<Record>* StepToMark(Context& ctx, const QString& label, int i, int nMarked, const MarkedRecord& mark,
                                    std::vector<uint32_t>& left)
{
    ctx.progress.Set(QStringLiteral("Deleting %1: %2 of %3").arg(label).arg(i + 1).arg(nMarked));
    const ModuleMap<Record>* pModule = ModuleOfType<Record>(mark.nType);
    if (pModule == nullptr || mark.id.empty()) {
        ctx.errors.Add(QStringLiteral("A marked record cannot be deleted: its %1 is not known.")
                           .arg(pModule == nullptr ? QStringLiteral("type") : QStringLiteral("id")));
        left.push_back(mark.nPosition);
        return nullptr;
    }
    return pModule;
}

QString Describe(const QString& module, const MarkedRecord& mark)
{
    if (!mark.label.isEmpty())
        return QStringLiteral("\"%1\" from %2").arg(mark.label, module);
    return QStringLiteral("a record from %1").arg(module);
}

// What a run with a keep file needs besides the marked records.
struct MergePlan
{
    KeepList keep;
    std::map<std::string, int32_t> types; // every record of the data file: id -> type
    std::set<std::string> marked;         // ids of the records to delete
    std::vector<MergedRecord> merged;
};

// Merges one marked record into the record kept for it. False with the error file told which
// duplicate and which link or field failed; the duplicate then keeps everything it had.
template <class Record>
bool MergeBeforeDelete(Context& ctx, RecordMerger& merger, const MergePlan& plan, const ModuleMap<Record>& module,
                       const MarkedRecord& mark, const QJsonObject* pDupFields, const std::string& kept, int& nMoved)
{
    const QString moduleName = QLatin1String(module.szModule);
    const QString dupId = FromAnsi(mark.id);
    QString failed;
    const auto type = plan.types.find(kept);
    const bool bSameModule =
        ModulesFor<Record>().size() == 1 || (type != plan.types.end() && ModuleOfType<Record>(type->second) == &module);
    if (plan.marked.count(kept) != 0)
        failed = QStringLiteral("the record kept (%1) is itself marked for deletion").arg(FromAnsi(kept));
    else if (!bSameModule)
        failed =
            QStringLiteral("the record kept (%1) is not a record of %2 loaded with it").arg(FromAnsi(kept), moduleName);
    else if (pDupFields == nullptr)
        failed = QStringLiteral("its fields could not be read to fill the record kept");
    else if (merger.Merge(moduleName, dupId, FromAnsi(kept), *pDupFields, nMoved, failed))
        return true;
    ctx.errors.Add(QStringLiteral("%1 (%2) was not merged, so it was not deleted: %3")
                       .arg(Describe(moduleName, mark), dupId, failed));
    HELPER_LOG(0, "Merging %s %s failed: %s", module.szModule, mark.id.c_str(), qUtf8Printable(failed));
    return false;
}

// Deletes the marked records without merging: records of the modules DeleteBatches takes in
// batches, each record a batch leaves and every other record alone. Outcomes are reported in the
// order of the data file, as they would be one by one.
template <class Kind>
void DeletePlainly(Context& ctx, SugarClient& client, const std::vector<MarkedRecord>& marked, int& nDeleted,
                   std::vector<uint32_t>& left)
{
    using Record = typename Kind::Record;
    const QString label = QLatin1String(ctx.info.szLabel);
    DeleteBatches batches(client);
    for (std::size_t i = 0; i < marked.size() && client.GetOptions().nInFlight > 1; ++i) {
        const ModuleMap<Record>* pModule = ModuleOfType<Record>(marked[i].nType);
        if (pModule != nullptr && !marked[i].id.empty() && DeleteBatches::TakesModule(pModule->szModule))
            batches.Add(i, QLatin1String(pModule->szModule), FromAnsi(marked[i].id));
    }
    const int nMarked = static_cast<int>(marked.size());
    for (int i = 0; i < nMarked; ++i) {
        const std::size_t nRecord = static_cast<std::size_t>(i);
        const MarkedRecord& mark = marked[nRecord];
        const ModuleMap<Record>* pModule = StepToMark<Record>(ctx, label, i, nMarked, mark, left);
        if (pModule == nullptr)
            continue;
        const QString module = QLatin1String(pModule->szModule);
        if (batches.Deleted(nRecord) || client.DeleteEntry(module, FromAnsi(mark.id))) {
            ++nDeleted;
            HELPER_LOG(2, "Deleted %s %s.", pModule->szModule, mark.id.c_str());
            continue;
        }
        if (client.WasStopped()) {
            // What is on its way still counts: a batch sent may have deleted records further on.
            batches.Finish();
            for (std::size_t j = nRecord; j < marked.size(); ++j) {
                if (batches.ShownDeleted(j))
                    ++nDeleted;
                else
                    left.push_back(marked[j].nPosition);
            }
            ctx.errors.Add(
                QStringLiteral("Deleting was stopped after %1 of %2 %3.").arg(nDeleted).arg(nMarked).arg(label));
            return;
        }
        ctx.errors.Add(QStringLiteral("Could not delete %1: %2").arg(Describe(module, mark), client.LastError()));
        left.push_back(mark.nPosition);
    }
}

template <class Kind> bool Submit(Context& ctx)
{
    using Record = typename Kind::Record;
    const std::string dataPath = ctx.job.InFolder(ctx.job.dataFile);
    std::vector<MarkedRecord> marked;
    uint32_t nTotal = 0;
    QString error;
    std::unique_ptr<MergePlan> pMerge;
    if (!ctx.job.keepFile.empty()) {
        pMerge = std::make_unique<MergePlan>();
        // No report from an earlier run may pass for this one's.
        plat::DeleteFile(ctx.job.InFolder(ctx.job.mergeReport).c_str());
    }
    // The merge report is written however the run ends, listing what was merged and deleted.
    const auto report = [&ctx, &pMerge](bool bDone) {
        if (pMerge && !WriteMergeReport(ctx.job.InFolder(ctx.job.mergeReport).c_str(), pMerge->merged)) {
            ctx.errors.Add(QStringLiteral("The merge report %1 cannot be written.").arg(FromAnsi(ctx.job.mergeReport)));
            return false;
        }
        return bDone;
    };
    std::string keepError;
    if (!ReadMarkedRecords<Kind>(dataPath, marked, nTotal, error, pMerge ? &pMerge->types : nullptr) ||
        (pMerge && !ReadKeepFile(ctx.job.InFolder(ctx.job.keepFile).c_str(), pMerge->keep, keepError))) {
        ctx.errors.Add(keepError.empty() ? error : FromAnsi(keepError) + QStringLiteral(", so nothing was deleted."));
        if (pMerge && !marked.empty()) {
            std::vector<uint32_t> all;
            for (const MarkedRecord& mark : marked)
                all.push_back(mark.nPosition);
            ctx.errors.SetNotDeleted(all);
        }
        return report(false);
    }
    const QString label = QLatin1String(ctx.info.szLabel);
    if (marked.empty()) {
        ctx.progress.Set(QStringLiteral("No %1 to delete").arg(label));
        return report(true);
    }
    // Nothing was sent yet: every marked record is still on the server, and the program is told so.
    const auto leaveAll = [&ctx, &marked, &report] {
        std::vector<uint32_t> all;
        for (const MarkedRecord& mark : marked)
            all.push_back(mark.nPosition);
        ctx.errors.SetNotDeleted(all);
        return report(false);
    };
    if constexpr (std::is_same_v<Record, SGNoteRecord>) {
        std::vector<std::string> ids;
        if (!NoteIds::Load(ctx.job.InFolder(NoteIds::kFileName), ids) || ids.size() != nTotal) {
            ctx.errors.Add(QStringLiteral("The list of notes from the last load is missing or does not match; "
                                          "nothing was deleted. Load the notes again."));
            return leaveAll();
        }
        for (MarkedRecord& mark : marked) {
            if (mark.nAux >= 0 && static_cast<std::size_t>(mark.nAux) < ids.size())
                mark.id = ids[static_cast<std::size_t>(mark.nAux)];
        }
    }

    // Notes know their ids only from here on.
    for (const MarkedRecord& mark : marked) {
        if (pMerge)
            pMerge->marked.insert(mark.id);
    }
    QUrl endpoint;
    if (!MakeEndpoint(ctx, endpoint))
        return leaveAll();
    SugarClient client(endpoint);
    if (!OpenSession(ctx, client)) {
        ctx.errors.Add(client.WasStopped() ? QStringLiteral("Deleting was stopped; nothing was deleted.")
                                           : client.LastError());
        return leaveAll();
    }
    const int nMarked = static_cast<int>(marked.size());
    int nDeleted = 0;
    std::vector<uint32_t> left;
    const auto finish = [&] {
        client.Logout();
        if (!left.empty())
            ctx.errors.SetNotDeleted(left);
        ctx.progress.Set(QStringLiteral("Deleted %1 of %2 %3").arg(nDeleted).arg(nMarked).arg(label));
        HELPER_LOG(1, "Deleted %d of %d marked records.", nDeleted, nMarked);
        return report(nDeleted == nMarked);
    };
    if (!pMerge) {
        DeletePlainly<Kind>(ctx, client, marked, nDeleted, left);
        return finish();
    }
    // With fields to fill, the duplicates are merged newest first, so the newest value fills a field.
    std::map<std::string, QJsonObject> dupFields;
    const bool bFill = (pMerge->keep.nOptions & MERGE_FILL_EMPTY) != 0;
    if (bFill) {
        std::map<std::string, QString> modified;
        for (const MarkedRecord& mark : marked) {
            const ModuleMap<Record>* pModule = ModuleOfType<Record>(mark.nType);
            QJsonObject fields;
            if (pModule == nullptr || pMerge->keep.keptFor.count(mark.id) == 0 ||
                !client.GetEntry(QLatin1String(pModule->szModule), FromAnsi(mark.id), fields))
                continue;
            NameValue(fields, QStringLiteral("date_modified"), modified[mark.id]);
            dupFields[mark.id] = fields;
        }
        const auto modifiedOf = [&modified](const std::string& id) {
            const auto it = modified.find(id);
            return it == modified.end() ? QString() : it->second;
        };
        std::stable_sort(marked.begin(), marked.end(), [&modifiedOf](const MarkedRecord& a, const MarkedRecord& b) {
            return modifiedOf(a.id) > modifiedOf(b.id);
        });
    }
    RecordMerger merger(client, pMerge->keep.nOptions);
    for (int i = 0; i < nMarked; ++i) {
        const MarkedRecord& mark = marked[static_cast<std::size_t>(i)];
        const ModuleMap<Record>* pModule = StepToMark<Record>(ctx, label, i, nMarked, mark, left);
        if (pModule == nullptr)
            continue;
        const QString module = QLatin1String(pModule->szModule);
        const QString id = FromAnsi(mark.id);
        const auto kept = pMerge->keep.keptFor.find(mark.id);
        const bool bMerge = kept != pMerge->keep.keptFor.end();
        int nMoved = 0;
        static const QJsonObject noFields;
        const auto fields = dupFields.find(mark.id);
        const QJsonObject* pFields = fields != dupFields.end() ? &fields->second : bFill ? nullptr : &noFields;
        if (bMerge && !MergeBeforeDelete(ctx, merger, *pMerge, *pModule, mark, pFields, kept->second, nMoved)) {
            if (client.WasStopped()) {
                for (int j = i; j < nMarked; ++j)
                    left.push_back(marked[static_cast<std::size_t>(j)].nPosition);
                break;
            }
            left.push_back(mark.nPosition);
            continue;
        }
        if (client.DeleteEntry(module, id)) {
            ++nDeleted;
            if (bMerge)
                pMerge->merged.push_back({mark.id, nMoved});
            HELPER_LOG(2, "Deleted %s %s.", pModule->szModule, mark.id.c_str());
            continue;
        }
        // The duplicate stays: what moved to the record kept goes back to it.
        if (bMerge && !merger.Undo())
            ctx.errors.Add(QStringLiteral("The related items of %1 (%2) moved to the record kept could not all be "
                                          "moved back: %3")
                               .arg(Describe(module, mark), id, merger.LastUndoError()));
        if (client.WasStopped()) {
            ctx.errors.Add(
                QStringLiteral("Deleting was stopped after %1 of %2 %3.").arg(nDeleted).arg(nMarked).arg(label));
            for (int j = i; j < nMarked; ++j)
                left.push_back(marked[static_cast<std::size_t>(j)].nPosition);
            break;
        }
        ctx.errors.Add(QStringLiteral("Could not delete %1: %2").arg(Describe(module, mark), client.LastError()));
        left.push_back(mark.nPosition);
    }
    return finish();
}

template <class Kind> bool Run(Context& ctx)
{
    switch (ctx.job.nOperation) {
    case 1:
        return Fetch<Kind>(ctx);
    case 2:
        return Submit<Kind>(ctx);
    default:
        ctx.errors.Add(QStringLiteral("The helper was asked for an unknown operation (%1).").arg(ctx.job.nOperation));
        return false;
    }
}

} // namespace

int RunHelper(HelperKind kind, const char* szParamPath, const SugarClient::Options& options)
{
    HelperJob job;
    std::string reason;
    if (szParamPath == nullptr || !LoadHelperJob(szParamPath, job, reason))
        return 2;
    const HelperKindInfo& info = KindInfo(kind);
    HelperDebugLog.Configure(job.logFolder, info.szLogFile, job.nLogLevel, job.bLogEnabled);
    HELPER_LOG(1, "Start: operation %d for %s at %s.", job.nOperation, info.szLabel, qUtf8Printable(job.sHost));

    ErrorFile errors(job.InFolder(job.errorFile));
    ProgressFile progress(job.InFolder(job.progressFile));
    RunState state(job.folder + info.szStatusIni);
    errors.Reset();
    state.Begin();
    Context ctx{job, info, errors, progress, state, options};
    bool bDone = false;
    switch (kind) {
    case HelperKind::Addr:
        bDone = Run<SGAddrKind>(ctx);
        break;
    case HelperKind::Date:
        bDone = Run<SGDateKind>(ctx);
        break;
    case HelperKind::Task:
        bDone = Run<SGTaskKind>(ctx);
        break;
    case HelperKind::Note:
        bDone = Run<SGNoteKind>(ctx);
        break;
    }
    state.End();
    HELPER_LOG(1, "End: %s, %d error(s).", bDone ? "done" : "failed", errors.Count());
    return bDone ? 0 : 1;
}
