// SPDX-License-Identifier: MIT
#pragma once

#include "core/DataKinds.h"
#include "gui/TfmPage.h"

#include <QElapsedTimer>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>

class QPlainTextEdit;
class QProgressBar;
class QTimer;
class TfmMain;

// The deletion page. Entering it arms a one-second timer; when that fires, every record ticked on
// the review page is written to the account memo and marked for deletion, a summary follows, and
// each kind with marked records is submitted to the server through its helper.
class TfmSGClean final : public TfmPage
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfmSGClean)

public:
    static constexpr int kPageWidth = 792;
    static constexpr int kPageHeight = 366;
    // A field line of the account holds at most this many bytes, its terminating NUL included.
    static constexpr std::size_t kFieldLineSize = 256;

    // The main window is held while the run blocks and brought back by the wait window.
    explicit TfmSGClean(TfmMain& mainWindow, QWidget* pParent = nullptr);

    bool ExchangeData(bool bSave) override;

    // The timer's handler: one run per arming.
    void tmStartTimer();
    void RunDeletion();

    // Writes nDepth tabs and "label: value" into szBuf of nSize bytes, "<empty>" standing for a
    // missing or empty value. A longer line is cut at nSize - 1 bytes, never inside a character.
    // A missing buffer or an empty label leaves the buffer untouched.
    static void FormatFieldLine(char* szBuf, std::size_t nSize, int nDepth, const char* szLabel, const char* szValue);

    // The pause that lets the wait window show its message before the first helper starts.
    using PauseFunc = void (*)(int nMilliseconds);
    // Tests replace the pause; null restores the real one.
    void SetPauseForTesting(PauseFunc pfnPause);

protected:
    // Leaving the page (Prev, Restart) before the timer fired disarms the run: records the user
    // turned away from must not be deleted behind the login page. Minimising the window hides the
    // page too, but the user has not left it: that hide leaves the run armed.
    void hideEvent(QHideEvent* pEvent) override;

private:
    // Lines wait in m_pending and reach the memo in blocks: one append per line costs the memo
    // many times what the same lines cost in one block.
    void AddLogLine(const char* szText);
    void FlushLog();
    // While the run keeps this thread busy: every kShowEveryMs the waiting lines go to the memo,
    // which is painted, and the event loop takes a turn, so the window answers the window system.
    // Input stays queued for the held window, as during a helper run.
    void ShowProgressIfDue();
    void ShowProgressNow();
    void AddFieldLine(const char* szLabel, const char* szValue);
    // Writes a ticked record to the memo and marks it for deletion; an unticked one is left alone.
    template <class Record> void DeleteRecord(Record* pRecord);
    void DeleteAddrRecord(SGAddrRecord* pRecord);
    void DeleteDateRecord(SGDateRecord* pRecord);
    void DeleteTaskRecord(SGTaskRecord* pRecord);
    void DeleteNoteRecord(SGNoteRecord* pRecord);
    void AddOutcome(bool bMarked, int32_t& nDeleted);
    // Writes the backup of every kind with marked records; a kind whose backup fails is unmarked
    // and not submitted.
    void BackUpMarked();
    template <class Record> void BackUpKind(const char* szFolder, const std::string& stamp);
    // Hands the kind's bridge the merge options and the keep list, or no merge job when both are off.
    template <class Record> void SetMergeJob();
    // One line per record the helper merged: into which record, and how many related items moved.
    template <class Record> void ReportMerged();
    void StepProgress();
    void SubmitDeletions();
    // True when the submission failed; the memo then has said why.
    bool SubmitKind(const DataKindInfo& kind, const char* szFolder);
    // After a failed submission: names each marked record the server may still hold, and how many
    // of the kind's deletions the server confirmed.
    template <class Record> void ReportLeft();

    TfmMain& m_main;
    QPlainTextEdit* m_pLog = nullptr;
    QProgressBar* m_pDel = nullptr;
    QTimer* m_pStart = nullptr;
    PauseFunc m_pfnPause;
    // Records marked for deletion in this run, per kind.
    int32_t m_nDeleted[kDataKindCount] = {};
    int32_t m_nTotal = 0;
    int32_t m_nProcessed = 0;
    QString m_pending;
    int m_nPendingLines = 0;
    QElapsedTimer m_sinceShown;
};
