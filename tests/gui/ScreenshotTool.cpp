// SPDX-License-Identifier: MIT
// Takes the pictures of docs/screenshots: the three wizard pages with a small contacts data set,
// the rules and troubleshooting dialogs and the wait window. The pages load and delete through the
// stand-in helper, so the pictures show what the program really shows. Run it under xvfb-run (see
// scripts/screenshots.sh); the only argument is the folder for the PNG files.
#include "SugarCRM/CxSGAddr.h"
#include "core/AppSettings.h"
#include "core/WorkSet.h"
#include "gui/MessageBox.h"
#include "gui/Skin.h"
#include "gui/TfmDebug.h"
#include "gui/TfmDupOption.h"
#include "gui/TfmMain.h"
#include "gui/TfmSGClean.h"
#include "gui/TfmSGData.h"
#include "gui/TfmSGSource.h"
#include "gui/WaitWindowNative.h"
#include "gui/WaitWindowPicture.h"
#include "misc/CxCommWaitWindow.h"
#include "misc/CxDebugUtil.h"
#include "misc/CxFile.h"
#include "misc/CxIniUtil.h"
#include "misc/TextUtil.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace
{

bool g_bFailed = false;

void Fail(const QString& what)
{
    std::fprintf(stderr, "screenshots: %s\n", what.toUtf8().constData());
    g_bFailed = true;
}

struct Person
{
    const char* szFirst;
    const char* szLast;
    const char* szTitle;
    const char* szEmail;
    const char* szPhone;
    const char* szCity;
    int nCopies;
};

// Eight people, five of whom were entered more than once; the newest copy of each is kept.
const Person kPeople[] = {
    {"Anna", "Berger", "Purchasing Manager", "anna.berger@nordwerk.example", "+49 30 5550 1120", "Berlin", 3},
    {"Carlos", "Mendes", "Sales Director", "c.mendes@atlantica.example", "+351 21 555 0198", "Lisbon", 2},
    {"Grace", "Okafor", "Head of IT", "grace.okafor@lumen.example", "+44 20 7946 0321", "London", 1},
    {"Henrik", "Lund", "Controller", "henrik.lund@fjord.example", "+47 22 55 50 11", "Oslo", 2},
    {"Mei", "Tanaka", "Buyer", "mei.tanaka@sakura.example", "+81 3 5550 4410", "Tokyo", 1},
    {"Pierre", "Dubois", "Account Executive", "pierre.dubois@vallee.example", "+33 1 55 50 72 30", "Lyon", 2},
    {"Sofia", "Rossi", "Office Manager", "s.rossi@tessile.example", "+39 02 5550 8812", "Milan", 2},
    {"Tom", "Walsh", "Engineer", "tom.walsh@harbour.example", "+353 1 555 0147", "Dublin", 1},
};

bool WriteContacts(const std::string& path)
{
    std::vector<SGAddrRecord> records;
    int nId = 1;
    for (const Person& person : kPeople) {
        for (int nCopy = 0; nCopy < person.nCopies; ++nCopy) {
            SGAddrRecord record;
            const auto nSerial = static_cast<unsigned>(nId++);
            std::snprintf(record.szId, sizeof record.szId, "%08x-7d4e-4c1b-9a3e-%012x", 0x5f1c0a00u + nSerial, nSerial);
            CopyText(record.szFirstName, person.szFirst);
            CopyText(record.szLastName, person.szLast);
            CopyText(record.szJobTitle, person.szTitle);
            CopyText(record.szEmail1, person.szEmail);
            CopyText(record.szWorkPhone, person.szPhone);
            CopyText(record.szPrimaryCity, person.szCity);
            // 2024-03-04 and later, a few hours apart, so every set has one newest copy.
            record.dtCreated = 45355.375;
            record.dtModified = 45355.375 + 3.25 * nCopy + 0.01 * nId;
            records.push_back(record);
        }
    }
    CxFile file;
    if (!file.Open(path.c_str(), "wb"))
        return false;
    file.WriteInt(static_cast<int32_t>(records.size()));
    for (const SGAddrRecord& record : records)
        SGAddrKind::WriteRecord(file, record);
    return file.Close();
}

bool WriteText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out.flush());
}

void Save(const QImage& image, const QString& folder, const char* szName)
{
    const QString path = QDir(folder).filePath(QString::fromLatin1(szName));
    if (image.isNull() || !image.save(path, "PNG"))
        Fail(QStringLiteral("could not save ") + path);
    else
        std::printf("%s\n", path.toUtf8().constData());
}

void Save(QWidget& window, const QString& folder, const char* szName)
{
    window.show();
    window.raise();
    // Lets layouts and the first paint settle before the picture.
    QTest::qWait(150);
    Save(window.grab().toImage(), folder, szName);
}

// The wait window as the screen shows it: the picture inside the thin black frame.
QImage WaitWindowOnScreen(const WaitWindowSnapshot& state)
{
    QImage window(WaitWindowPicture::kWindowWidth, WaitWindowPicture::kWindowHeight, QImage::Format_RGB32);
    window.fill(Qt::black);
    QPainter painter(&window);
    painter.drawImage(1, 1, WaitWindowPicture::Render(state));
    return window;
}

bool WaitFor(const std::function<bool()>& done, int nMilliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > nMilliseconds)
            return false;
        QTest::qWait(50);
    }
    return true;
}

QPushButton* Button(QWidget& window, const char* szName)
{
    auto* pButton = window.findChild<QPushButton*>(QString::fromLatin1(szName));
    if (pButton == nullptr)
        Fail(QStringLiteral("no button ") + QString::fromLatin1(szName));
    return pButton;
}

void TakePictures(const QString& folder, const std::string& dataFolder)
{
    const std::string contacts = dataFolder + "ScreenshotContacts.dat";
    const std::string loadScript =
        "progress Retrieving contacts 1 to 14 of 14...\nsleep 400\ncopy-data " + contacts + "\n";
    if (!WriteContacts(contacts) || !WriteText(dataFolder + "SGAddrScript.txt", loadScript)) {
        Fail(QStringLiteral("could not write the data set"));
        return;
    }

    TfmMain main;
    main.SetPages(new TfmSGSource(main), new TfmSGData, new TfmSGClean(main));
    main.Start();
    Save(main, folder, "login.png");

    {
        TfmDupOption rules(&main);
        rules.ExchangeData(false);
        Save(rules, folder, "rules.png");
    }
    {
        TfmDebug debug(&main);
        debug.ExchangeData(false);
        Save(debug, folder, "troubleshooting.png");
    }

    WaitWindowSnapshot state;
    CopyText(state.szMessage, "Retrieving contacts 1 to 14 of 14...");
    state.nElapsed = 2300;
    state.nTicks = 23;
    Save(WaitWindowOnScreen(state), folder, "waitwindow.png");

    // Next loads through the stand-in and enters the review page.
    QPushButton* pNext = Button(main, "btnNext");
    if (pNext == nullptr)
        return;
    QTest::mouseClick(pNext, Qt::LeftButton);
    if (main.Step() != StepReview) {
        Fail(QStringLiteral("the load did not reach the review page"));
        return;
    }
    Save(main, folder, "review.png");

    if (!WriteText(dataFolder + "SGAddrScript.txt", "progress Deleting 6 duplicate contacts...\nsleep 300\n")) {
        Fail(QStringLiteral("could not write the deletion script"));
        return;
    }
    QTest::mouseClick(pNext, Qt::LeftButton);
    if (main.Step() != StepDelete) {
        Fail(QStringLiteral("the review page did not lead to the deletion page"));
        return;
    }
    // The run starts a second after the page shows; the account ends with the summary.
    auto* pLog = main.findChild<QPlainTextEdit*>(QStringLiteral("memLog"));
    const auto finished = [pLog] {
        return pLog->toPlainText().contains(QStringLiteral("Deleting duplicates finished")) &&
               CurrentWaitWindow.load() == nullptr && JoinWaitThread(0);
    };
    if (pLog == nullptr || !WaitFor(finished, 15000))
        Fail(QStringLiteral("the deletion run did not end"));
    QTest::qWait(300);
    Save(main, folder, "deletion.png");
    main.ShutDown();
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder for the pictures>\n", argv[0]);
        return 2;
    }
    // The stand-in helpers are found on the PATH, which the caller points at them.
    PrepareNativeWaitWindow();
    QApplication app(argc, argv);
    Skin::Apply(app);
    WaitWindowPicture::PrepareFonts();
    // The real wait window shows on the X server during the load and the deletion run.
    SetWaitWindowBackendFactory(MakeNativeWaitWindowFactory());
    MessageBox::EnableTestMode([](const QString& description) { Fail(QStringLiteral("message box: ") + description); });

    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        Fail(QStringLiteral("cannot create ") + folder);
        return 1;
    }

    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/veltrane-XXXXXX"));
    if (!root.isValid()) {
        Fail(QStringLiteral("no temporary folder"));
        return 1;
    }
    plat::SetAppDataRootForTesting(root.path().toStdString());
    char szDataFolder[260] = {};
    if (!GetAppDataFolder(szDataFolder)) {
        Fail(QStringLiteral("no data folder"));
        return 1;
    }
    SettingsFile = new CxIniUtil(szDataFolder, "quorvel.ini");
    LoadSettings();
    CopyText(AppSettings.HostName, "https://crm.nordwerk.example");
    CopyText(AppSettings.UserName, "jmeyer");
    CopyText(AppSettings.Password, "correct horse");
    AppSettings.SaveUser = true;
    AppSettings.AppFlag = DataKind::Contacts;
    DebugLog.SetLogFolder(szDataFolder);

    TakePictures(folder, szDataFolder);

    StopWaitWindow();
    JoinWaitThread();
    SetWaitWindowBackendFactory(nullptr);
    FreeWorkSet();
    delete SettingsFile;
    SettingsFile = nullptr;
    plat::SetAppDataRootForTesting("");
    return g_bFailed ? 1 : 0;
}
