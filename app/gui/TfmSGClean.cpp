// SPDX-License-Identifier: MIT
#include "gui/TfmSGClean.h"

#include "SugarCRM/CxSGAddr.h"
#include "SugarCRM/CxSGDate.h"
#include "SugarCRM/CxSGNote.h"
#include "SugarCRM/CxSGTask.h"
#include "core/AppSettings.h"
#include "core/WorkSet.h"
#include "gui/BlockingWork.h"
#include "gui/Skin.h"
#include "gui/TfmMain.h"
#include "misc/CxCommWaitWindow.h"
#include "misc/CxDateTime.h"
#include "misc/CxList.h"
#include "misc/TextUtil.h"
#include "platform/Platform.h"

#include <QHideEvent>
#include <QPalette>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <string>

namespace
{

constexpr int kStartDelayMs = 1000;
constexpr int kSubmitPauseMs = 200;
constexpr char kRule[] = "================================================================================";
static_assert(sizeof kRule == 81, "the rule is 80 equals signs");

int32_t ListCount(const CxList* pList)
{
    return pList != nullptr ? static_cast<int32_t>(pList->GetCount()) : 0;
}

bool IsChosen(int32_t nFlag)
{
    return (AppSettings.AppFlag & nFlag) != 0;
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

// One line for a record the server kept: enough to find it there.
std::string DescribeAddr(const SGAddrRecord& record)
{
    std::string text = record.szFirstName;
    if (record.szLastName[0] != '\0')
        text += (text.empty() ? "" : " ") + std::string(record.szLastName);
    if (record.szEmail1[0] != '\0')
        text += (text.empty() ? "<" : " <") + std::string(record.szEmail1) + ">";
    return text.empty() ? "<empty>" : text;
}

std::string DescribeDate(const SGDateRecord& record)
{
    char szStart[32] = {};
    FormatTimeText(record.dtStart, szStart, sizeof szStart);
    return std::string(record.szSubject[0] != '\0' ? record.szSubject : "<empty>") + " (" + szStart + ")";
}

std::string DescribeTask(const SGTaskRecord& record)
{
    char szDue[32] = {};
    FormatDateText(record.dtDue, szDue, sizeof szDue);
    return std::string(record.szSubject[0] != '\0' ? record.szSubject : "<empty>") + " (due " + szDue + ")";
}

std::string DescribeNote(const SGNoteRecord&)
{
    return "a note";
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
    AddLogLine("Start deleting duplicate records ...");
    AddLogLine(kRule);
    AddLogLine("");
    m_nAddrDeleted = 0;
    m_nDateDeleted = 0;
    m_nTaskDeleted = 0;
    m_nNoteDeleted = 0;
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
    if (IsChosen(DataKind::Contacts))
        m_nTotal += ListCount(WorkSet.pAddrDups);
    if (IsChosen(DataKind::Calendar))
        m_nTotal += ListCount(WorkSet.pDateDups);
    if (IsChosen(DataKind::Tasks))
        m_nTotal += ListCount(WorkSet.pTaskDups);
    if (IsChosen(DataKind::Notes))
        m_nTotal += ListCount(WorkSet.pNoteDups);

    if (IsChosen(DataKind::Contacts))
        WalkList<SGAddrRecord>(WorkSet.pAddrDups, [this](SGAddrRecord* pRecord) {
            DeleteAddrRecord(pRecord);
            StepProgress();
        });
    if (IsChosen(DataKind::Calendar))
        WalkList<SGDateRecord>(WorkSet.pDateDups, [this](SGDateRecord* pRecord) {
            DeleteDateRecord(pRecord);
            StepProgress();
        });
    if (IsChosen(DataKind::Tasks))
        WalkList<SGTaskRecord>(WorkSet.pTaskDups, [this](SGTaskRecord* pRecord) {
            DeleteTaskRecord(pRecord);
            StepProgress();
        });
    if (IsChosen(DataKind::Notes))
        WalkList<SGNoteRecord>(WorkSet.pNoteDups, [this](SGNoteRecord* pRecord) {
            DeleteNoteRecord(pRecord);
            StepProgress();
        });

    char szLine[64];
    AddLogLine(kRule);
    AddLogLine("Deleting duplicates finished:");
    std::snprintf(szLine, sizeof szLine, "\t%d duplicate contact items deleted.", m_nAddrDeleted);
    AddLogLine(szLine);
    std::snprintf(szLine, sizeof szLine, "\t%d duplicate calendar items deleted.", m_nDateDeleted);
    AddLogLine(szLine);
    std::snprintf(szLine, sizeof szLine, "\t%d duplicate task items deleted.", m_nTaskDeleted);
    AddLogLine(szLine);
    std::snprintf(szLine, sizeof szLine, "\t%d duplicate note items deleted.", m_nNoteDeleted);
    AddLogLine(szLine);
    AddLogLine("");

    SubmitDeletions();
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

    if (IsChosen(DataKind::Contacts) && m_nAddrDeleted > 0 &&
        SubmitKind(WorkSet.pAddrUtil, "contact", pFolder, "%sSGAddrStatus.dat"))
        ReportLeft<SGAddrRecord>(WorkSet.pAddrDups, *WorkSet.pAddrUtil, "contact", DescribeAddr);
    if (IsChosen(DataKind::Calendar) && m_nDateDeleted > 0 &&
        SubmitKind(WorkSet.pDateUtil, "calendar", pFolder, "%sSGDateStatus.dat"))
        ReportLeft<SGDateRecord>(WorkSet.pDateDups, *WorkSet.pDateUtil, "calendar", DescribeDate);
    if (IsChosen(DataKind::Tasks) && m_nTaskDeleted > 0 &&
        SubmitKind(WorkSet.pTaskUtil, "task", pFolder, "%sSGTaskStatus.dat"))
        ReportLeft<SGTaskRecord>(WorkSet.pTaskDups, *WorkSet.pTaskUtil, "task", DescribeTask);
    if (IsChosen(DataKind::Notes) && m_nNoteDeleted > 0 &&
        SubmitKind(WorkSet.pNoteUtil, "note", pFolder, "%sSGNoteStatus.dat"))
        ReportLeft<SGNoteRecord>(WorkSet.pNoteDups, *WorkSet.pNoteUtil, "note", DescribeNote);

    StopWaitWindow();
    m_pDel->setValue(100);
}

bool TfmSGClean::SubmitKind(CxSGBaseUtil* pBridge, const char* szKindName, const char* szFolder,
                            const char* szProgressFormat)
{
    if (szFolder != nullptr) {
        // A cut path would name, and delete, some other file.
        char szPath[plat::kMaxPath];
        const int nLength = std::snprintf(szPath, sizeof szPath, szProgressFormat, szFolder);
        if (nLength > 0 && static_cast<std::size_t>(nLength) < sizeof szPath)
            SetWaitProgressFile(szPath);
    }
    if (pBridge == nullptr)
        return false;

    // The records were only marked so far: the account must not end as if the server had
    // deleted them when the helper said otherwise.
    const bool bSubmitted = pBridge->Submit();
    std::string line = std::string("Submitting the ") + szKindName + " deletions to SugarCRM failed";
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

template <class Record, class Describe>
void TfmSGClean::ReportLeft(CxList* pList, const CxSGBaseUtil& bridge, const char* szKindName, Describe describe)
{
    // Without the helper's word on each record, none of them can be called deleted.
    const std::string mark = bridge.IsSubmitOutcomeKnown() ? "\tNot deleted: " : "\tNot confirmed: ";
    int32_t nMarked = 0;
    int32_t nLeft = 0;
    WalkList<Record>(pList, [&](Record* pRecord) {
        if (!IsSelected(pRecord->dwFlags) || pRecord->nStatus != SGSTATUS_DELETE)
            return;
        ++nMarked;
        if ((pRecord->dwFlags & REC_NOT_DELETED) == 0)
            return;
        ++nLeft;
        AddLogLine((mark + describe(*pRecord)).c_str());
    });
    char szLine[128];
    std::snprintf(szLine, sizeof szLine, "\t%d of %d duplicate %s items were confirmed deleted by SugarCRM.",
                  nMarked - nLeft, nMarked, szKindName);
    AddLogLine(szLine);
}

void TfmSGClean::DeleteAddrRecord(SGAddrRecord* pRecord)
{
    if (pRecord == nullptr || !IsSelected(pRecord->dwFlags))
        return;
    AddLogLine("Deleting contact item ...");
    AddFieldLine("First Name", pRecord->szFirstName);
    AddFieldLine("Last Name", pRecord->szLastName);
    AddFieldLine("Department", pRecord->szDepartment);
    AddFieldLine("Title", pRecord->szJobTitle);
    AddFieldLine("Email", pRecord->szEmail1);
    AddFieldLine("Mobile Phone", pRecord->szMobilePhone);
    AddOutcome(WorkSet.pAddrUtil != nullptr && WorkSet.pAddrUtil->MarkDeleted(pRecord->pCommEntry, false),
               m_nAddrDeleted);
}

void TfmSGClean::DeleteDateRecord(SGDateRecord* pRecord)
{
    if (pRecord == nullptr || !IsSelected(pRecord->dwFlags))
        return;
    char szStart[32] = {};
    char szEnd[32] = {};
    FormatTimeText(pRecord->dtStart, szStart, sizeof szStart);
    FormatTimeText(pRecord->dtEnd, szEnd, sizeof szEnd);
    AddLogLine("Deleting calendar item ...");
    AddFieldLine("Subject", pRecord->szSubject);
    AddFieldLine("Location", pRecord->szLocation);
    AddFieldLine("Start Time", szStart);
    AddFieldLine("End Time", szEnd);
    AddFieldLine("Status", pRecord->szStatus);
    AddOutcome(WorkSet.pDateUtil != nullptr && WorkSet.pDateUtil->MarkDeleted(pRecord->pCommEntry, false),
               m_nDateDeleted);
}

void TfmSGClean::DeleteTaskRecord(SGTaskRecord* pRecord)
{
    if (pRecord == nullptr || !IsSelected(pRecord->dwFlags))
        return;
    char szDue[32] = {};
    FormatDateText(pRecord->dtDue, szDue, sizeof szDue);
    AddLogLine("Deleting task item ...");
    AddFieldLine("Subject", pRecord->szSubject);
    AddFieldLine("Priority", pRecord->szPriority);
    AddFieldLine("Due Date", szDue);
    AddOutcome(WorkSet.pTaskUtil != nullptr && WorkSet.pTaskUtil->MarkDeleted(pRecord->pCommEntry, false),
               m_nTaskDeleted);
}

void TfmSGClean::DeleteNoteRecord(SGNoteRecord* pRecord)
{
    if (pRecord == nullptr || !IsSelected(pRecord->dwFlags))
        return;
    AddLogLine("Deleting note item ...");
    // A note record carries no text of its own.
    AddFieldLine("Note Text", nullptr);
    AddOutcome(WorkSet.pNoteUtil != nullptr && WorkSet.pNoteUtil->MarkDeleted(pRecord->pCommEntry, false),
               m_nNoteDeleted);
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
    m_pLog->appendPlainText(QString::fromUtf8(szText));
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
