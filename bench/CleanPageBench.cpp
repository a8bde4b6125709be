// SPDX-License-Identifier: MIT
// A deletion run at scale through the real pages: democrm seeded with N contacts (default 20 000),
// loaded through the login page and the real contacts helper, every contact ticked on the review
// page (all records shown, Select All Dups), then the deletion page's run to its end. Prints how
// long the event loop went without a turn, how often the memo and the progress bar were repainted
// with something new, and a digest of the memo's final text, so two builds can be compared.
//
//   bench_clean_page [contacts]
//
// Meant for a window system (xvfb-run will do); the platform is Qt's usual choice.
#include "DemocrmProcess.h"
#include "core/AppSettings.h"
#include "core/WorkSet.h"
#include "gui/MessageBox.h"
#include "gui/TfmMain.h"
#include "gui/TfmSGClean.h"
#include "gui/TfmSGData.h"
#include "gui/TfmSGSource.h"
#include "misc/CxCommWaitWindow.h"
#include "misc/CxIniUtil.h"
#include "platform/Platform.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCheckBox>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace
{

QElapsedTimer g_clock;
// When the run handed over to the helper: the page's pause before the first submission.
qint64 g_nSubmitAtMs = -1;

void MarkSubmit(int nMilliseconds)
{
    g_nSubmitAtMs = g_clock.elapsed();
    SleepPause(nMilliseconds);
}

// Times at which a widget was painted showing something it had not shown before.
class PaintLog final : public QObject
{
public:
    PaintLog(QWidget* pWatched, std::function<qint64()> state) : m_state(std::move(state))
    {
        pWatched->installEventFilter(this);
    }

    bool eventFilter(QObject* pObject, QEvent* pEvent) override
    {
        if (pEvent->type() == QEvent::Paint) {
            const qint64 nState = m_state();
            if (nState != m_nLast) {
                m_nLast = nState;
                times.push_back(g_clock.elapsed());
            }
        }
        return QObject::eventFilter(pObject, pEvent);
    }

    std::vector<qint64> times;

private:
    std::function<qint64()> m_state;
    qint64 m_nLast = -1;
};

// Count and longest gap of the times within [from, to], the edges counting as times.
void PrintRate(const char* szWhat, const std::vector<qint64>& times, qint64 nFrom, qint64 nTo)
{
    int nCount = 0;
    qint64 nLast = nFrom;
    qint64 nLongest = 0;
    qint64 nLongestFrom = nFrom;
    const auto gap = [&](qint64 nTime) {
        if (nTime - nLast > nLongest) {
            nLongest = nTime - nLast;
            nLongestFrom = nLast;
        }
        nLast = nTime;
    };
    for (const qint64 nTime : times) {
        if (nTime < nFrom || nTime > nTo)
            continue;
        ++nCount;
        gap(nTime);
    }
    gap(nTo);
    const double dSeconds = static_cast<double>(nTo - nFrom) / 1000.0;
    std::printf("    %-30s %6d   %8.1f /s   longest gap %7lld ms, from +%lld ms\n", szWhat, nCount,
                dSeconds > 0 ? nCount / dSeconds : 0.0, static_cast<long long>(nLongest),
                static_cast<long long>(nLongestFrom - nFrom));
}

template <class T> T* Get(QWidget* pParent, const char* szName)
{
    T* pWidget = pParent->findChild<T*>(QString::fromLatin1(szName));
    if (pWidget == nullptr) {
        std::fprintf(stderr, "clean page bench: no widget %s\n", szName);
        std::exit(1);
    }
    return pWidget;
}

int Run(int nContacts, const std::filesystem::path& root)
{
    plat::SetAppDataRootForTesting(root.string());
    char szFolder[plat::kMaxPath];
    if (!GetAppDataFolder(szFolder))
        return 1;
    CxIniUtil ini(szFolder, "quorvel.ini");
    SettingsFile = &ini;
    LoadSettings();
    bool bBoxFailed = false;
    MessageBox::EnableTestMode([&bBoxFailed](const QString& description) {
        std::fprintf(stderr, "clean page bench: unexpected box: %s\n", qUtf8Printable(description));
        bBoxFailed = true;
    });

    DemocrmProcess server;
    QString error;
    if (!server.start({QStringLiteral("--seed"), QString::number(nContacts)}, &error, 600000)) {
        std::fprintf(stderr, "clean page bench: cannot start democrm: %s\n", qUtf8Printable(error));
        return 1;
    }

    SetLoadPauseForTesting([](int) {});
    auto pMain = std::make_unique<TfmMain>();
    TfmMain& main = *pMain;
    auto* pClean = new TfmSGClean(main);
    pClean->SetPauseForTesting(MarkSubmit);
    main.SetPages(new TfmSGSource(main), new TfmSGData, pClean);
    main.Start();
    main.show();
    QApplication::processEvents();

    g_clock.start();
    Get<QLineEdit>(&main, "edtHostName")->setText(server.baseUrl());
    Get<QLineEdit>(&main, "edtUserName")->setText(QStringLiteral("admin"));
    Get<QLineEdit>(&main, "edtPassword")->setText(QStringLiteral("admin"));
    Get<QRadioButton>(&main, "rbtnAddr")->setChecked(true);
    QTest::mouseClick(Get<QPushButton>(&main, "btnNext"), Qt::LeftButton);
    JoinWaitThread(600000);
    if (main.Step() != StepReview) {
        std::fprintf(stderr, "clean page bench: the load did not reach the review page\n");
        return 1;
    }
    std::printf("%d contacts loaded through the login page in %.1f s\n", nContacts,
                static_cast<double>(g_clock.elapsed()) / 1000.0);

    // Every loaded contact ticked: all records shown, then Select All Dups, confirmed.
    Get<QCheckBox>(&main, "cbAddrAll")->setChecked(true);
    MessageBox::Expect(MessageBox::Kind::Confirmation,
                       QStringLiteral("You are selecting all Contacts, Calendar or Tasks information, including "
                                      "non-duplicate records. Are you sure to continue?"),
                       MessageBox::Answer::Yes);
    QTest::mouseClick(Get<QPushButton>(&main, "btnSelAll"), Qt::LeftButton);

    auto* pMemo = Get<QPlainTextEdit>(&main, "memLog");
    auto* pBar = Get<QProgressBar>(&main, "pbDel");
    PaintLog memoPaints(pMemo->viewport(), [pMemo] { return static_cast<qint64>(pMemo->blockCount()); });
    PaintLog barPaints(pBar, [pBar] { return static_cast<qint64>(pBar->value()); });
    // Every pass of the event dispatcher, whether it waits or not, says so.
    std::vector<qint64> turns;
    bool bCounting = false;
    const auto turn = [&turns, &bCounting] {
        if (bCounting)
            turns.push_back(g_clock.elapsed());
    };
    QAbstractEventDispatcher* pDispatcher = QAbstractEventDispatcher::instance();
    QObject::connect(pDispatcher, &QAbstractEventDispatcher::awake, turn);
    QObject::connect(pDispatcher, &QAbstractEventDispatcher::aboutToBlock, turn);

    QTest::mouseClick(Get<QPushButton>(&main, "btnNext"), Qt::LeftButton);
    if (main.Step() != StepDelete) {
        std::fprintf(stderr, "clean page bench: the deletion page did not come up\n");
        return 1;
    }
    auto* pStart = pClean->findChild<QTimer*>(QStringLiteral("tmStart"));
    pStart->setInterval(0);
    bCounting = true;
    const qint64 nRunStart = g_clock.elapsed();
    const bool bEnded = QTest::qWaitFor([pStart] { return !pStart->isActive(); }, 3600000);
    const qint64 nRunEnd = g_clock.elapsed();
    bCounting = false;
    if (!bEnded) {
        std::fprintf(stderr, "clean page bench: the run did not end within an hour\n");
        return 1;
    }
    JoinWaitThread(60000);
    QApplication::processEvents();

    const QString memo = pMemo->toPlainText();
    // The backup line names the time of the run; the rest must match from build to build.
    QStringList stable;
    int nSucceeded = 0;
    for (QTextBlock block = pMemo->document()->begin(); block.isValid(); block = block.next()) {
        const QString line = block.text();
        if (line == QLatin1String("Deletion succeeded."))
            ++nSucceeded;
        if (!line.startsWith(QLatin1String("Backup of the ")))
            stable << line;
    }
    const QByteArray digest =
        QCryptographicHash::hash(stable.join(QLatin1Char('\n')).toUtf8(), QCryptographicHash::Sha256).toHex();

    const qint64 nSubmit = g_nSubmitAtMs >= nRunStart ? g_nSubmitAtMs : nRunEnd;
    std::printf("deletion run of %d ticked contacts: %.2f s; memo, backup until the submission %.2f s, "
                "submission %.2f s\n",
                nSucceeded, static_cast<double>(nRunEnd - nRunStart) / 1000.0,
                static_cast<double>(nSubmit - nRunStart) / 1000.0, static_cast<double>(nRunEnd - nSubmit) / 1000.0);
    std::printf("  memo: %lld lines, %lld characters, sha256 without the backup lines %s\n",
                static_cast<long long>(pMemo->blockCount()), static_cast<long long>(memo.size()), digest.constData());
    std::printf("  last lines: %s\n", qUtf8Printable(memo.right(160).replace(QLatin1Char('\n'), QLatin1String(" | "))));
    std::printf("  %-30s %6s   %10s\n", "until the submission", "count", "rate");
    PrintRate("event-loop turns", turns, nRunStart, nSubmit);
    PrintRate("memo repainted with news", memoPaints.times, nRunStart, nSubmit);
    PrintRate("bar repainted with news", barPaints.times, nRunStart, nSubmit);
    std::printf("  %-30s\n", "the submission (helper runs)");
    PrintRate("event-loop turns", turns, nSubmit, nRunEnd);
    PrintRate("memo repainted with news", memoPaints.times, nSubmit, nRunEnd);
    PrintRate("bar repainted with news", barPaints.times, nSubmit, nRunEnd);

    // The pages' lists borrow the records: the window goes before the work set.
    pMain.reset();
    SettingsFile = nullptr;
    FreeWorkSet();
    server.stop();
    return bBoxFailed ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int nContacts = argc > 1 ? std::atoi(argv[1]) : 20000;
    if (nContacts <= 0) {
        std::fprintf(stderr, "usage: %s [contacts]\n", argv[0]);
        return 2;
    }
    std::random_device rd;
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("veltrane-clean-bench-" + std::to_string(rd()));
    std::filesystem::create_directories(root);
    const int nResult = Run(nContacts, root);
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return nResult;
}
