// SPDX-License-Identifier: MIT
// Start-up and shutdown of the program.
#include "core/AppSettings.h"
#include "core/WorkSet.h"
#include "gui/AnsiText.h"
#include "gui/MessageBox.h"
#include "gui/Skin.h"
#include "gui/TfmDump.h"
#include "gui/TfmMain.h"
#include "gui/TfmSGClean.h"
#include "gui/TfmSGData.h"
#include "gui/TfmSGSource.h"
#include "gui/WaitWindowNative.h"
#include "gui/WaitWindowPicture.h"
#include "misc/CxCommWaitWindow.h"
#include "misc/CxDebugUtil.h"
#include "misc/CxIniUtil.h"
#include "misc/WinUtil.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <exception>
#include <memory>

namespace
{

// The main window from its creation until the end of main; the exception report is shown over it.
TfmMain* g_pMainWindow = nullptr;
bool g_bReporting = false;

void ReportException(const char* szMessage)
{
    // A second exception while the first is reported is not reported again.
    if (g_bReporting)
        return;
    g_bReporting = true;
    MessageBox::ShowError(g_pMainWindow, FromAnsi(szMessage != nullptr ? szMessage : "Unknown error."));
    if (g_pMainWindow != nullptr)
        ShowProblemReport(g_pMainWindow);
}

// Catches what escapes an event handler, which would otherwise end the program without a word.
class VeltraneApplication final : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject* pReceiver, QEvent* pEvent) override
    {
        try {
            return QApplication::notify(pReceiver, pEvent);
        } catch (const std::exception& e) {
            ReportException(e.what());
        } catch (...) {
            ReportException(nullptr);
        }
        // The program ends after the report; the settings are still saved on the way out.
        QCoreApplication::exit(1);
        return false;
    }
};

void StartUp(TfmMain& mainWindow)
{
    char szFolder[plat::kMaxPath] = {};
    const bool bFolder = GetAppDataFolder(szFolder);
    if (bFolder) {
        // A cut path would name some other file; the settings then stay beside the program.
        char szIniPath[plat::kMaxPath];
        const int nLength = std::snprintf(szIniPath, sizeof szIniPath, "%squorvel.ini", szFolder);
        if (nLength > 0 && static_cast<std::size_t>(nLength) < sizeof szIniPath)
            SettingsFile->SetIniPath(szIniPath);
    }
    LoadSettings();

    // Without the data folder the log goes where the settings file went: beside the program.
    if (bFolder || GetModuleFolder(nullptr, szFolder))
        DebugLog.SetLogFolder(szFolder);
    DebugLog.EnableLog(AppSettings.DebugEnabled);
    DebugLog.SetLogLevel(AppSettings.DebugLevel);
    if (bFolder)
        DeleteLeftoverParamFiles(szFolder);

    mainWindow.SetPages(new TfmSGSource(mainWindow), new TfmSGData, new TfmSGClean(mainWindow));
    FreeWorkSet();
    mainWindow.Start();
}

} // namespace

int main(int argc, char* argv[])
{
    // Before any other thread or window system connection exists.
    PrepareNativeWaitWindow();
    SettingsFile = new CxIniUtil(nullptr, "quorvel.ini");

    VeltraneApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Veltrane"));
#ifdef VELTRANE_HAVE_QTSVG
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/logo.svg")));
#else
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/logo.png")));
#endif
    Skin::Apply(app);
    // The wait thread draws with these fonts; they are first set up here, on this thread.
    WaitWindowPicture::PrepareFonts();
    SetWaitWindowBackendFactory(MakeNativeWaitWindowFactory());

    int nResult = 1;
    std::unique_ptr<TfmMain> pMainWindow;
    try {
        pMainWindow = std::make_unique<TfmMain>();
        g_pMainWindow = pMainWindow.get();
        StartUp(*pMainWindow);
        pMainWindow->show();
        nResult = QApplication::exec();
    } catch (const std::exception& e) {
        ReportException(e.what());
    } catch (...) {
        ReportException(nullptr);
    }

    if (pMainWindow != nullptr)
        pMainWindow->ShutDown();
    // No wait thread may outlive the program.
    StopWaitWindow();
    JoinWaitThread();
    // No later wait window may open a window once the application is gone.
    SetWaitWindowBackendFactory(nullptr);
    g_pMainWindow = nullptr;
    pMainWindow.reset();
    delete SettingsFile;
    SettingsFile = nullptr;
    return nResult;
}
