// SPDX-License-Identifier: MIT
// The wait window's picture, pixel by pixel, and the hand-back to the caller's window.
#include "gui/WaitWindowPicture.h"
#include "gui/WaitWindowNative.h"

#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QRect>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

namespace
{

using namespace WaitWindowPicture;

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlue = qRgb(0, 128, 192);

WaitWindowSnapshot State(const char* szMessage, int nElapsed, int nTicks)
{
    WaitWindowSnapshot state;
    std::strncpy(state.szMessage, szMessage, sizeof state.szMessage - 1);
    state.nElapsed = nElapsed;
    state.nTicks = nTicks;
    return state;
}

// The rows and columns of rect that hold anything but white; null when there is none.
QRect InkBounds(const QImage& image, const QRect& rect)
{
    QRect bounds;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (image.pixel(x, y) != kWhite)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

bool SameRegion(const QImage& a, const QImage& b, const QRect& rect)
{
    return a.copy(rect) == b.copy(rect);
}

// The text as it should look: black, 11-pixel Verdana (DejaVu Sans here), left at x, centred in
// the 50-pixel band from top.
QImage ReferenceText(const QString& text, int x, int nTop, bool bBold)
{
    QImage image(kClientWidth, kClientHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font;
    font.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(11);
    font.setBold(bBold);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(x, nTop, kClientWidth - x, 50), Qt::AlignLeft | Qt::AlignVCenter, text);
    return image;
}

#ifdef _WIN32
// The window of the class the wait thread registers: a bordered tool pop-up of that thread, with
// no owner, where the test expects it.
void ExpectWin32WaitWindow(DWORD nWaitThread, const QRect& expected)
{
    const HWND hWnd = FindWindowA("CommWaitWindow", nullptr);
    ASSERT_NE(hWnd, nullptr);
    EXPECT_EQ(GetWindowThreadProcessId(hWnd, nullptr), nWaitThread);
    EXPECT_NE(GetWindowThreadProcessId(hWnd, nullptr), GetCurrentThreadId());
    EXPECT_EQ(GetWindow(hWnd, GW_OWNER), nullptr);
    const LONG_PTR nStyle = GetWindowLongPtrA(hWnd, GWL_STYLE);
    EXPECT_TRUE(nStyle & WS_POPUP);
    EXPECT_EQ(nStyle & WS_CAPTION, WS_BORDER) << "a thin border and no title bar";
    EXPECT_TRUE(GetWindowLongPtrA(hWnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    RECT rect = {};
    ASSERT_TRUE(GetWindowRect(hWnd, &rect));
    EXPECT_EQ(QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top), expected);
}
#endif

// Below the message line, whose descenders reach into the top of the time band.
const QRect kSecondsRegion(kSecondsLeft, 36, kClientWidth - kSecondsLeft, 44);
const QRect kLabelRegion(kTextLeft, 36, kSecondsLeft - kTextLeft, 44);

} // namespace

TEST(WaitWindowPictureTest, ClientAreaIsWhiteWhereNothingIsDrawn)
{
    const QImage image = Render(State("", 0, 0));
    ASSERT_EQ(image.size(), QSize(478, 148));
    ASSERT_EQ(image.format(), QImage::Format_RGB32);
    // Empty message and no squares: only the time line has ink, and only inside its band.
    const QRect ink = InkBounds(image, image.rect());
    ASSERT_FALSE(ink.isNull());
    EXPECT_GE(ink.top(), 30);
    EXPECT_LT(ink.bottom(), 80);
    EXPECT_GE(ink.left(), kTextLeft);
    EXPECT_EQ(InkBounds(image, QRect(0, 80, kClientWidth, kClientHeight - 80)), QRect());
}

TEST(WaitWindowPictureTest, TwentyFiveTicksShowTwoSecondsAndSevenSquares)
{
    const QImage image = Render(State("Loading SugarCRM Contacts...", 2500, 25));

    EXPECT_TRUE(SameRegion(image, ReferenceText(QStringLiteral("2 seconds"), kSecondsLeft, 30, false), kSecondsRegion));
    EXPECT_FALSE(
        SameRegion(image, ReferenceText(QStringLiteral("3 seconds"), kSecondsLeft, 30, false), kSecondsRegion));
    EXPECT_TRUE(SameRegion(image, ReferenceText(QStringLiteral("Time Elapsed:"), kTextLeft, 30, true), kLabelRegion));
    // The label is bold and the seconds are not.
    EXPECT_FALSE(SameRegion(image, ReferenceText(QStringLiteral("Time Elapsed:"), kTextLeft, 30, false), kLabelRegion));
    EXPECT_FALSE(SameRegion(image, ReferenceText(QStringLiteral("2 seconds"), kSecondsLeft, 30, true), kSecondsRegion));

    // Seconds are whole and rounded down.
    EXPECT_TRUE(SameRegion(image, Render(State("", 2999, 0)), kSecondsRegion));
    EXPECT_TRUE(SameRegion(image, Render(State("", 2000, 0)), kSecondsRegion));
    EXPECT_FALSE(SameRegion(image, Render(State("", 1999, 0)), kSecondsRegion));

    for (int i = 0; i < 7; ++i) {
        const int nLeft = 20 + 25 * i;
        SCOPED_TRACE(i);
        // Every pixel of the 20 x 12 square in the exact colour, white just outside it.
        for (int y = 100; y < 112; ++y)
            for (int x = nLeft; x < nLeft + 20; ++x)
                ASSERT_EQ(image.pixel(x, y), kBlue) << x << "," << y;
        EXPECT_EQ(image.pixel(nLeft - 1, 106), kWhite);
        EXPECT_EQ(image.pixel(nLeft + 20, 106), kWhite);
        EXPECT_EQ(image.pixel(nLeft + 10, 99), kWhite);
        EXPECT_EQ(image.pixel(nLeft + 10, 112), kWhite);
    }
    EXPECT_EQ(image.pixel(20 + 25 * 7 + 10, 106), kWhite);
    EXPECT_EQ(InkBounds(image, QRect(20 + 25 * 7, 80, kClientWidth - 20 - 25 * 7, 68)), QRect());
}

TEST(WaitWindowPictureTest, RowOfEighteenStartsAgainEmpty)
{
    EXPECT_EQ(SquareSlots(478), 18);
    EXPECT_EQ(SquareSlots(40), 1);
    EXPECT_EQ(SquareSlots(0), 0);
    EXPECT_EQ(SquareCount(25, 0), 0);

    const QRect row(0, 100, kClientWidth, 12);
    const QImage full = Render(State("", 0, 17));
    // The 17th square is the last that fits: 420 to 440, 38 pixels before the right edge.
    EXPECT_EQ(InkBounds(full, row), QRect(20, 100, 420, 12));
    EXPECT_EQ(full.pixel(430, 106), kBlue);
    EXPECT_EQ(InkBounds(Render(State("", 0, 18)), row), QRect());
    EXPECT_EQ(InkBounds(Render(State("", 0, 19)), row), QRect(20, 100, 20, 12));
    EXPECT_EQ(InkBounds(Render(State("", 0, 36 + 3)), row), QRect(20, 100, 70, 12));
}

TEST(WaitWindowPictureTest, TextIsCentredInItsBand)
{
    const QImage image = Render(State("Loading SugarCRM Calendar...", 0, 0));
    // Above the time line's band only the message has ink; its middle is the band's, 25.
    const QRect message = InkBounds(image, QRect(0, 0, kClientWidth, 30));
    ASSERT_FALSE(message.isNull());
    EXPECT_EQ(message.left(), kTextLeft + 1) << "the L's stem starts one pixel into its cell";
    EXPECT_NEAR((message.top() + message.bottom()) / 2.0, 25.0, 3.0);
    const QRect label = InkBounds(image, QRect(0, 40, kSecondsLeft, 40));
    ASSERT_FALSE(label.isNull());
    EXPECT_NEAR((label.top() + label.bottom()) / 2.0, 55.0, 3.0);
    EXPECT_GE(InkBounds(image, QRect(kSecondsLeft - 4, 40, 60, 40)).left(), kSecondsLeft);
}

TEST(WaitWindowPictureTest, LongMessageIsCutAtTheRightEdgeOnOneLine)
{
    WaitWindowSnapshot state;
    std::memset(state.szMessage, 'W', sizeof state.szMessage - 1);
    const QImage image = Render(state);
    const QImage empty = Render(State("", 0, 0));

    // The text runs to the last column instead of being shortened or wrapped...
    EXPECT_FALSE(InkBounds(image, QRect(kClientWidth - 8, 0, 8, 30)).isNull());
    // ...and is exactly the left part of the same line drawn on a wider window.
    const QImage wide = Render(state, QSize(2000, kClientHeight));
    EXPECT_TRUE(SameRegion(image, wide, QRect(0, 0, kClientWidth, 30)));
    // A second line would reach into the time line's band.
    EXPECT_TRUE(SameRegion(image, empty, QRect(0, 36, kClientWidth, kClientHeight - 36)));

    const QImage words = Render(State("Submitting deletion information to SugarCRM database, record 12 of 9000 "
                                      "of the contacts that the review page listed as redundant copies",
                                      0, 0));
    EXPECT_TRUE(SameRegion(words, empty, QRect(0, 36, kClientWidth, kClientHeight - 36)));
}

TEST(WaitWindowPictureTest, PaintKeepsTheImageBuffer)
{
    // The X11 window's image points at these pixels for its whole life.
    QImage image(kClientWidth, kClientHeight, QImage::Format_RGB32);
    const uchar* pBits = image.constBits();
    Paint(image, State("Loading SugarCRM Tasks...", 100, 1));
    EXPECT_EQ(image.constBits(), pBits);
    EXPECT_EQ(image.pixel(30, 106), kBlue);

    QImage wrongFormat(kClientWidth, kClientHeight, QImage::Format_ARGB32);
    wrongFormat.fill(Qt::red);
    Paint(wrongFormat, State("x", 0, 5));
    EXPECT_EQ(wrongFormat.pixel(30, 106), qRgb(255, 0, 0));
}

TEST(WaitWindowPictureTest, DrawsOnAThreadOfItsOwn)
{
    PrepareFonts();
    const QImage expected = Render(State("Loading SugarCRM Notes...", 7300, 30));
    QImage drawn;
    std::thread([&drawn] { drawn = Render(State("Loading SugarCRM Notes...", 7300, 30)); }).join();
    EXPECT_EQ(drawn, expected);
}

TEST(WaitWindowCallerTest, RaisedLaterOnTheGuiThreadAndOnlyIfItStillExists)
{
    QWidget caller;
    caller.setObjectName(QStringLiteral("caller"));
    caller.resize(200, 100);
    caller.show();
    QWidget other;
    other.resize(200, 100);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));

    auto pGone = std::make_unique<QWidget>();
    pGone->show();
    void* hGone = reinterpret_cast<void*>(pGone->winId());
    pGone.reset();

    void* hCaller = reinterpret_cast<void*>(caller.winId());
    std::thread([hCaller, hGone] {
        RaiseCallerWindow(hGone);
        RaiseCallerWindow(hCaller);
        RaiseCallerWindow(nullptr);
    }).join();
    // Nothing happened yet: the GUI thread has not run its events since.
    EXPECT_FALSE(caller.isActiveWindow());
    EXPECT_TRUE(QTest::qWaitForWindowActive(&caller));
}

// Needs a real window system: the suite runs offscreen, so this one runs only on a virtual X
// server, with the xcb platform on Linux (gui_tests_x11) and with the windows platform under Wine
// (gui_tests_win32).
TEST(WaitWindowNativeTest, WindowShowsThePictureInTheMiddleOfTheScreen)
{
    const QString platform = QGuiApplication::platformName();
    if (platform != QStringLiteral("xcb") && platform != QStringLiteral("windows"))
        GTEST_SKIP() << "no window system; run under xvfb-run to check the native window";
    const WaitWindowBackendFactory factory = MakeNativeWaitWindowFactory();
    ASSERT_TRUE(factory);

    QScreen* pScreen = QGuiApplication::primaryScreen();
    ASSERT_NE(pScreen, nullptr);
    const QRect area = pScreen->availableGeometry();
    const int nLeft = area.x() + (area.width() - kWindowWidth) / 2;
    const int nTop = area.y() + (area.height() - kWindowHeight) / 2;

    std::atomic<int> nStage{0};
    std::atomic<bool> bCreated{false};
    // Used on a thread of its own, as the wait thread does.
#ifdef _WIN32
    std::atomic<DWORD> nWaitThread{0};
#endif
    std::thread wait([&] {
#ifdef _WIN32
        nWaitThread = GetCurrentThreadId();
#endif
        std::unique_ptr<WaitWindowBackend> pWindow = factory();
        bCreated = pWindow != nullptr && pWindow->Create(State("Loading SugarCRM Contacts...", 0, 0));
        if (bCreated)
            pWindow->Redraw(State("Loading SugarCRM Contacts...", 2500, 25));
        nStage = 1;
        while (nStage.load() != 2)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (pWindow != nullptr)
            pWindow->Close();
        nStage = 3;
    });
    while (nStage.load() != 1)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(bCreated.load());

    const QImage expected = Render(State("Loading SugarCRM Contacts...", 2500, 25));
    QImage shown;
    for (int nTry = 0; nTry < 50 && shown.copy(1, 1, kClientWidth, kClientHeight) != expected; ++nTry) {
        QTest::qWait(20);
        shown = pScreen->grabWindow(0, nLeft, nTop, kWindowWidth, kWindowHeight)
                    .toImage()
                    .convertToFormat(QImage::Format_RGB32);
    }
    EXPECT_EQ(shown.copy(1, 1, kClientWidth, kClientHeight), expected);
#ifdef _WIN32
    // Windows draws the thin border itself, in the colour of the system's window frames.
    EXPECT_EQ(shown.pixel(0, 0),
              qRgb(GetRValue(GetSysColor(COLOR_WINDOWFRAME)), GetGValue(GetSysColor(COLOR_WINDOWFRAME)),
                   GetBValue(GetSysColor(COLOR_WINDOWFRAME))));
    ExpectWin32WaitWindow(nWaitThread.load(), QRect(nLeft, nTop, kWindowWidth, kWindowHeight));
#else
    EXPECT_EQ(shown.pixel(0, 0), qRgb(0, 0, 0)) << "the thin frame";
#endif

    nStage = 2;
    wait.join();
    EXPECT_EQ(nStage.load(), 3);
#ifdef _WIN32
    EXPECT_EQ(FindWindowA("CommWaitWindow", nullptr), nullptr) << "destroyed with its thread's Close";
#endif
    // Closed: the squares are gone from the screen.
    QImage after;
    for (int nTry = 0; nTry < 50 && (after.isNull() || after.pixel(11, 107) == kBlue); ++nTry) {
        QTest::qWait(20);
        after = pScreen->grabWindow(0, nLeft, nTop, kWindowWidth, kWindowHeight).toImage();
    }
    EXPECT_NE(after.pixel(11, 107), kBlue);
}
