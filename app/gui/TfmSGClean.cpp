// SPDX-License-Identifier: MIT
#include "gui/TfmSGClean.h"

#include "core/AppSettings.h"
#include "core/Backup.h"
#include "core/DataKinds.h"
#include "core/KindMemo.h"
#include "core/MergeJob.h"
#include "gui/AnsiText.h"
#include "gui/BlockingWork.h"
#include "gui/Skin.h"
#include "gui/TfmMain.h"
#include "misc/CxCommWaitWindow.h"
#include "misc/CxList.h"
#include "misc/TextUtil.h"
#include "platform/Platform.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHideEvent>
#include <QPalette>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace
{

constexpr int kStartDelayMs = 1000;
constexpr int kSubmitPauseMs = 200;
// How often a long run paints the memo and lets the event loop turn: six times a second.
constexpr qint64 kShowEveryMs = 150;
// The memo takes lines fastest in blocks, but a block's cost grows with its lines: a thousand take
// some 10 ms, so a block never holds up the next turn for long.
constexpr int kLinesPerBlock = 1000;
// The most a turn may spend on events that came in meanwhile.
constexpr int kTurnMs = 20;
constexpr char kRule[] = "================================================================================";
static_assert(sizeof kRule == 81, "the rule is 80 equals signs");

int32_t ListCount(const CxList* pList)
{
    return pList != nullptr ? static_cast<int32_t>(pList->GetCount()) : 0;
}

// Walks the list in order; the visit may not change the list.
template <class Record, class Visit> void WalkList(CxList* pList, Visit visit)
{
    if (pList == nullptr)
        return;
    for (void* p = pList->GetFirst(); p != nullptr; p = pList->GetNext())
        visit(static_cast<Record*>(p));
}

bool IsSelected(uint32_t dwFlags)
{
    return (dwFlags & REC_SELECTED) != 0;
}

template <class Record> bool IsMarked(const Record* pRecord)
{
    return IsSelected(pRecord->dwFlags) && pRecord->nStatus == SGSTATUS_DELETE;
}

} // namespace

TfmSGClean::TfmSGClean(TfmMain& mainWindow, QWidget* pParent)
    : TfmPage(pParent), m_main(mainWindow), m_pfnPause(SleepPause)
{
    setObjectName(QStringLiteral("TfmSGClean"));
    resize(kPageWidth, kPageHeight);
    QPalette grey = palette();
    grey.setColor(QPalette::Window, Skin::kDeletionPageGrey);
    setPalette(grey);
    setAutoFillBackground(true);

    m_pLog = new QPlainTextEdit(this);
    m_pLog->setObjectName(QStringLiteral("memLog"));
    m_pLog->setGeometry(56, 41, 673, 273);
    m_pLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    m_pDel = new QProgressBar(this);
    m_pDel->setObjectName(QStringLiteral("pbDel"));
    m_pDel->setGeometry(56, 318, 673, 12);
    m_pDel->setOrientation(Qt::Horizontal);
    m_pDel->setRange(0, 100);
    m_pDel->setValue(0);
    m_pDel->setTextVisible(true);
    m_pDel->setFormat(QStringLiteral("%p%"));

    m_pStart = new QTimer(this);
    m_pStart->setObjectName(QStringLiteral("tmStart"));
    m_pStart->setInterval(kStartDelayMs);
    connect(m_pStart, &QTimer::timeout, this, &TfmSGClean::tmStartTimer);
}

bool TfmSGClean::ExchangeData(bool bSave)
{
    if (bSave)
        return true;

    m_pLog->clear();
    m_pending.clear();
    m_nPendingLines = 0;
    AddLogLine("Start deleting duplicate records ...");
    AddLogLine(kRule);
    AddLogLine("");
    FlushLog();
    std::fill(std::begin(m_nDeleted), std::end(m_nDeleted), 0);
    // The run waits until the wizard has finished its step change and this page is showing.
    m_pStart->start();
    m_pDel->setValue(0);
    return true;
}

void TfmSGClean::hideEvent(QHideEvent* pEvent)
{
    if (!pEvent->spontaneous())
        m_pStart->stop();
    TfmPage::hideEvent(pEvent);
}

void TfmSGClean::tmStartTimer()
{
    m_pStart->stop();
    RunDeletion();
}

void TfmSGClean::RunDeletion()
{
    const BlockingWork block(m_main);

    m_nTotal = 0;
    m_nProcessed = 0;
    // The first record is shown at once, the others at the pace of kShowEveryMs.
    m_sinceShown.invalidate();
    for (const DataKindInfo& kind : kDataKinds) {
        if (IsKindChosen(kind))
            m_nTotal += ListCount(WorkSet.*kind.pDups);
    }
    ForEachRecordKind([this](auto tag) {
        using Record = typename decltype(tag)::Type;
        if (IsKindChosen(tag.Info()))
            WalkList<Record>(DupsOf<Record>(), [this](Record* pRecord) {
                DeleteRecord(pRecord);
                StepProgress();
                ShowProgressIfDue();
            });
    });

    ShowProgressNow();
    BackUpMarked();

    char szLine[64];
    AddLogLine(kRule);
    AddLogLine("Deleting duplicates finished:");
    for (int i = 0; i < kDataKindCount; ++i) {
        std::snprintf(szLine, sizeof szLine, "\t%d duplicate %s items deleted.", m_nDeleted[i],
                      kDataKinds[i].szItemName);
        AddLogLine(szLine);
    }
    AddLogLine("");
    // The account so far stays in view while the helpers run.
    ShowProgressNow();

    SubmitDeletions();
    FlushLog();
}

void TfmSGClean::StepProgress()
{
    ++m_nProcessed;
    if (m_nTotal > 0)
        m_pDel->setValue(static_cast<int>(static_cast<int64_t>(m_nProcessed) * 100 / m_nTotal));
}

void TfmSGClean::SubmitDeletions()
{
    StartWaitWindow(m_main.NativeHandle());
    SetWaitMessage("Submitting deletion information to SugarCRM database...");
    m_pfnPause(kSubmitPauseMs);

    // Without the folder there is no progress file to name; the helpers still run.
    char szFolder[plat::kMaxPath] = {};
    const char* pFolder = GetAppDataFolder(szFolder) ? szFolder : nullptr;

    ForEachRecordKind([this, pFolder](auto tag) {
        using Record = typename decltype(tag)::Type;
        const DataKindInfo& kind = tag.Info();
        if (!IsKindChosen(kind) || m_nDeleted[tag.kIndex] <= 0)
            return;
        SetMergeJob<Record>();
        if (SubmitKind(kind, pFolder))
            ReportLeft<Record>();
        ReportMerged<Record>();
    });

    StopWaitWindow();
    m_pDel->setValue(100);
}

bool TfmSGClean::SubmitKind(const DataKindInfo& kind, const char* szFolder)
{
    ShowKindProgress(kind, szFolder);
    CxSGBaseUtil* pBridge = kind.pfnBridge();
    if (pBridge == nullptr)
        return false;

    // The records were only marked so far: the account must not end as if the server had
    // deleted them when the helper said otherwise.
    const bool bSubmitted = pBridge->Submit();
    std::string line = std::string("Submitting the ") + kind.szItemName + " deletions to SugarCRM failed";
    if (!bSubmitted)
        line += ": the data file could not be written.";
    else if (!pBridge->HasError())
        return false;
    else if (pBridge->GetError()[0] != '\0')
        line += std::string(": ") + pBridge->GetError();
    else
        line += ".";
    AddLogLine(line.c_str());
    return true;
}

template <class Record> void TfmSGClean::ReportLeft()
{
    const CxSGBaseUtil& bridge = *BridgeOf<Record>();
    // Without the helper's word on each record, none of them can be called deleted.
    const std::string mark = bridge.IsSubmitOutcomeKnown() ? "\tNot deleted: " : "\tNot confirmed: ";
    int32_t nMarked = 0;
    int32_t nLeft = 0;
    WalkList<Record>(DupsOf<Record>(), [&](Record* pRecord) {
        if (!IsSelected(pRecord->dwFlags) || pRecord->nStatus != SGSTATUS_DELETE)
            return;
        ++nMarked;
        if ((pRecord->dwFlags & REC_NOT_DELETED) == 0)
            return;
        ++nLeft;
        AddLogLine((mark + DescribeRecord(*pRecord)).c_str());
    });
    char szLine[128];
    std::snprintf(szLine, sizeof szLine, "\t%d of %d duplicate %s items were confirmed deleted by SugarCRM.",
                  nMarked - nLeft, nMarked, KindOf<Record>().szItemName);
    AddLogLine(szLine);
}

void TfmSGClean::BackUpMarked()
{
    char szFolder[plat::kMaxPath] = {};
    const bool bFolder = GetAppDataFolder(szFolder);
    const std::string stamp = BackupStamp();
    ForEachRecordKind([&](auto tag) {
        using Record = typename decltype(tag)::Type;
        // A note carries no field in this program: there is nothing of it to write.
        if constexpr (!std::is_same_v<Record, SGNoteRecord>) {
            if (IsKindChosen(tag.Info()) && m_nDeleted[tag.kIndex] > 0)
                BackUpKind<Record>(bFolder ? szFolder : nullptr, stamp);
        }
    });
}

template <class Record> void TfmSGClean::BackUpKind(const char* szFolder, const std::string& stamp)
{
    std::vector<Record*> marked;
    WalkList<Record>(DupsOf<Record>(), [&marked](Record* pRecord) {
        if (IsMarked(pRecord))
            marked.push_back(pRecord);
    });
    const std::vector<const Record*> records(marked.begin(), marked.end());
    const std::string items = std::string(KindOf<Record>().szItemName) + " items";
    std::vector<std::string> paths;
    if (szFolder != nullptr && WriteBackup(szFolder, stamp, records, paths)) {
        for (const std::string& path : paths)
            AddLogLine(("Backup of the " + items + " to be deleted: " + path).c_str());
        AddLogLine("");
        return;
    }
    // Without a way back, nothing of the kind may be deleted.
    const std::string where = paths.empty() ? std::string("the application data folder") : paths.back();
    AddLogLine(
        ("The backup of the " + items + " could not be written to " + where + ": none of them is deleted.").c_str());
    for (Record* pRecord : marked)
        pRecord->nStatus = 0;
    m_nDeleted[KindTag<Record>::kIndex] = 0;
    AddLogLine("");
}

template <class Record> void TfmSGClean::SetMergeJob()
{
    CxSGBaseUtil* pBridge = KindOf<Record>().pfnBridge();
    if (pBridge == nullptr)
        return;
    // Notes carry no server id in this program, so they are deleted plainly.
    const int32_t nOptions = std::is_same_v<Record, SGNoteRecord> ? 0 : MergeOptionsOf(AppSettings);
    if constexpr (!std::is_same_v<Record, SGNoteRecord>) {
        if (nOptions != 0) {
            pBridge->SetMergeJob(nOptions, KeepEntriesOf<Record>());
            return;
        }
    }
    pBridge->SetMergeJob(0, {});
}

template <class Record> void TfmSGClean::ReportMerged()
{
    const CxSGBaseUtil* pBridge = KindOf<Record>().pfnBridge();
    if constexpr (!std::is_same_v<Record, SGNoteRecord>) {
        if (pBridge == nullptr || pBridge->GetMergedRecords().empty())
            return;
        std::unordered_map<std::string, const Record*> byId;
        WalkList<Record>(DupsOf<Record>(), [&byId](Record* pRecord) {
            if (IsMarked(pRecord))
                byId.emplace(pRecord->szId, pRecord);
        });
        for (const MergedRecord& merged : pBridge->GetMergedRecords()) {
            const auto found = byId.find(merged.duplicateId);
            const Record* pTarget = found != byId.end() ? MergeTargetOf(found->second) : nullptr;
            const std::string name = found != byId.end() ? DescribeRecord(*found->second) : merged.duplicateId;
            std::string line = "\tMerged " + name;
            if (pTarget != nullptr)
                line += " into " + DescribeRecord(*pTarget);
            line += ": " + std::to_string(merged.nMovedItems) +
                    (merged.nMovedItems == 1 ? " related item moved." : " related items moved.");
            AddLogLine(line.c_str());
        }
    }
}

template <class Record> void TfmSGClean::DeleteRecord(Record* pRecord)
{
    if (pRecord == nullptr || !IsSelected(pRecord->dwFlags))
        return;
    AddLogLine(("Deleting " + std::string(KindOf<Record>().szItemName) + " item ...").c_str());
    for (const auto& field : MemoFieldsOf(*pRecord))
        AddFieldLine(field.first, field.second.c_str());
    auto* pBridge = BridgeOf<Record>();
    AddOutcome(pBridge != nullptr && pBridge->MarkDeleted(pRecord->pCommEntry, false),
               m_nDeleted[KindTag<Record>::kIndex]);
}

void TfmSGClean::DeleteAddrRecord(SGAddrRecord* pRecord)
{
    DeleteRecord(pRecord);
}

void TfmSGClean::DeleteDateRecord(SGDateRecord* pRecord)
{
    DeleteRecord(pRecord);
}

void TfmSGClean::DeleteTaskRecord(SGTaskRecord* pRecord)
{
    DeleteRecord(pRecord);
}

void TfmSGClean::DeleteNoteRecord(SGNoteRecord* pRecord)
{
    DeleteRecord(pRecord);
}

void TfmSGClean::AddOutcome(bool bMarked, int32_t& nDeleted)
{
    if (bMarked) {
        AddLogLine("Deletion succeeded.");
        ++nDeleted;
    }
    else {
        AddLogLine("Deletion failed.");
    }
    AddLogLine("");
}

void TfmSGClean::AddFieldLine(const char* szLabel, const char* szValue)
{
    char szLine[kFieldLineSize] = {};
    FormatFieldLine(szLine, sizeof szLine, 1, szLabel, szValue);
    AddLogLine(szLine);
}

void TfmSGClean::AddLogLine(const char* szText)
{
    if (m_nPendingLines > 0)
        m_pending += QLatin1Char('\n');
    m_pending += FromAnsi(szText);
    if (++m_nPendingLines >= kLinesPerBlock)
        FlushLog();
}

// One append of the lines joined by breaks makes the same paragraphs as one append per line: the
// memo never starts with an empty line, since the intro leads every account.
void TfmSGClean::FlushLog()
{
    if (m_nPendingLines == 0)
        return;
    m_pLog->appendPlainText(m_pending);
    m_pending.clear();
    m_nPendingLines = 0;
}

void TfmSGClean::ShowProgressIfDue()
{
    if (!m_sinceShown.isValid() || m_sinceShown.elapsed() >= kShowEveryMs)
        ShowProgressNow();
}

void TfmSGClean::ShowProgressNow()
{
    FlushLog();
    // Painted now: the helpers may keep the thread busy for long right after.
    m_pLog->viewport()->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, kTurnMs);
    m_sinceShown.start();
}

void TfmSGClean::FormatFieldLine(char* szBuf, std::size_t nSize, int nDepth, const char* szLabel, const char* szValue)
{
    if (szBuf == nullptr || nSize == 0 || szLabel == nullptr || szLabel[0] == '\0')
        return;
    // More tabs than the buffer holds would only be cut away again.
    const std::size_t nTabs = nDepth > 0 ? std::min(static_cast<std::size_t>(nDepth), nSize) : 0;
    std::string line(nTabs, '\t');
    line += szLabel;
    line += ": ";
    line += szValue != nullptr && szValue[0] != '\0' ? szValue : "<empty>";
    CopyText(szBuf, nSize, line.c_str());
}

void TfmSGClean::SetPauseForTesting(PauseFunc pfnPause)
{
    m_pfnPause = pfnPause != nullptr ? pfnPause : SleepPause;
}
