// SPDX-License-Identifier: MIT
// The wait window on X11: a tool window of the caller's, on the wait thread's own display connection.
// This is the only file that includes Xlib; its macros (Status, None, Bool...) clash with names
// elsewhere, so every Qt header comes first.
#include "gui/WaitWindowNative.h"
#include "gui/WaitWindowPicture.h"

#include <QGuiApplication>
#include <QImage>
#include <QRect>
#include <QScreen>
#include <QSysInfo>
#include <QtGui/qguiapplication_platform.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace
{

using WaitWindowPicture::kClientHeight;
using WaitWindowPicture::kClientWidth;
using WaitWindowPicture::kWindowHeight;
using WaitWindowPicture::kWindowWidth;

// The wait thread's display and whether it broke. Xlib calls the I/O error handler on the thread
// whose call failed, and only the wait thread uses its display.
thread_local Display* t_pWaitDisplay = nullptr;
thread_local bool t_bWaitDisplayBroken = false;

XIOErrorHandler g_pfnQtIOErrorHandler = nullptr;

// Qt's handler, which ends the process, stays in charge of Qt's own connection. A broken wait
// display only ends the wait window.
int WaitDisplayIOError(Display* pDisplay)
{
    if (pDisplay != nullptr && pDisplay == t_pWaitDisplay) {
        t_bWaitDisplayBroken = true;
        return 0;
    }
    return g_pfnQtIOErrorHandler != nullptr ? g_pfnQtIOErrorHandler(pDisplay) : 0;
}

#ifdef VELTRANE_HAVE_XSETIOERROREXITHANDLER
// Without this Xlib exits after any I/O error handler returns.
void WaitDisplayIOErrorExit(Display*, void*) {}
#endif

// Once, on the GUI thread, after Qt has installed its own handler.
void ChainIOErrorHandler()
{
    static bool bChained = false;
    if (bChained)
        return;
    bChained = true;
    g_pfnQtIOErrorHandler = XSetIOErrorHandler(WaitDisplayIOError);
}

// The primary screen's available area in device pixels. Qt keeps a screen's origin in device
// pixels and scales the rest by the device pixel ratio.
QRect NativeAvailableArea()
{
    const QScreen* pScreen = QGuiApplication::primaryScreen();
    if (pScreen == nullptr)
        return {};
    const qreal ratio = pScreen->devicePixelRatio();
    const QPoint origin = pScreen->geometry().topLeft();
    const QRect area = pScreen->availableGeometry();
    const QPoint topLeft = origin + (area.topLeft() - origin) * ratio;
    return QRect(topLeft, area.size() * ratio);
}

unsigned long ScaleChannel(int nValue, unsigned long nMask)
{
    if (nMask == 0)
        return 0;
    int nShift = 0;
    while (((nMask >> nShift) & 1) == 0)
        ++nShift;
    const unsigned long nMax = nMask >> nShift;
    return ((static_cast<unsigned long>(nValue) * nMax + 127) / 255) << nShift;
}

class X11WaitWindow final : public WaitWindowBackend
{
public:
    X11WaitWindow(std::string displayName, QRect area) : m_displayName(std::move(displayName)), m_area(area) {}
    ~X11WaitWindow() override { Close(); }
    X11WaitWindow(const X11WaitWindow&) = delete;
    X11WaitWindow& operator=(const X11WaitWindow&) = delete;

    bool Create(const WaitWindowSnapshot& state) override;
    void Redraw(const WaitWindowSnapshot& state) override;
    void Close() override;
    void BringToFront(void* hCallerWnd) override { RaiseCallerWindow(hCallerWnd); }
    void SetOwner(void* hOwnerWnd) override
    {
        m_owner = static_cast<Window>(reinterpret_cast<std::uintptr_t>(hOwnerWnd));
    }

private:
    bool Usable() const { return m_pDisplay != nullptr && !t_bWaitDisplayBroken; }
    bool CreateWindow();
    void DescribeWindow(int nLeft, int nTop);
    bool CreateImage();
    void ConvertFrame();
    void DrainEvents();
    void Show(const WaitWindowSnapshot& state);

    std::string m_displayName;
    QRect m_area;
    Window m_owner = 0;
    Display* m_pDisplay = nullptr;
    Window m_window = 0;
    GC m_gc = nullptr;
    XImage* m_pImage = nullptr;
    QImage m_frame;
    // The XImage's pixels when the frame's own cannot be shown as they are.
    std::vector<char> m_converted;
    bool m_bDirect = false;
};

bool X11WaitWindow::Create(const WaitWindowSnapshot& state)
{
    if (m_pDisplay != nullptr)
        return false;
    m_pDisplay = XOpenDisplay(m_displayName.c_str());
    if (m_pDisplay == nullptr)
        return false;
    t_pWaitDisplay = m_pDisplay;
    t_bWaitDisplayBroken = false;
#ifdef VELTRANE_HAVE_XSETIOERROREXITHANDLER
    XSetIOErrorExitHandler(m_pDisplay, WaitDisplayIOErrorExit, nullptr);
#endif
    m_frame = QImage(kClientWidth, kClientHeight, QImage::Format_RGB32);
    if (m_frame.isNull() || !CreateWindow() || !CreateImage() || !Usable()) {
        Close();
        return false;
    }
    XMapRaised(m_pDisplay, m_window);
    Show(state);
    return Usable();
}

bool X11WaitWindow::CreateWindow()
{
    const int nScreen = DefaultScreen(m_pDisplay);
    XSetWindowAttributes attributes = {};
    // A thin black frame like a bordered pop-up; the frame lies outside the client area.
    attributes.background_pixel = WhitePixel(m_pDisplay, nScreen);
    attributes.border_pixel = BlackPixel(m_pDisplay, nScreen);
    QRect area = m_area;
    if (area.isEmpty())
        area = QRect(0, 0, DisplayWidth(m_pDisplay, nScreen), DisplayHeight(m_pDisplay, nScreen));
    const int nLeft = area.x() + (area.width() - kWindowWidth) / 2;
    const int nTop = area.y() + (area.height() - kWindowHeight) / 2;
    m_window = XCreateWindow(m_pDisplay, RootWindow(m_pDisplay, nScreen), nLeft, nTop, kClientWidth, kClientHeight,
                             (kWindowWidth - kClientWidth) / 2, CopyFromParent, InputOutput, CopyFromParent,
                             CWBackPixel | CWBorderPixel, &attributes);
    if (m_window == 0)
        return false;
    DescribeWindow(nLeft, nTop);
    m_gc = XCreateGC(m_pDisplay, m_window, 0, nullptr);
    return m_gc != nullptr;
}

// What the window manager needs to treat the window as a tool window of the caller's: kept above
// the caller but not above other programs, no title bar, no taskbar entry, never focused, placed
// where we put it and not resizable.
void X11WaitWindow::DescribeWindow(int nLeft, int nTop)
{
    if (m_owner != 0)
        XSetTransientForHint(m_pDisplay, m_window, m_owner);

    XSizeHints* pSize = XAllocSizeHints();
    if (pSize != nullptr) {
        pSize->flags = USPosition | PPosition | PMinSize | PMaxSize;
        pSize->x = nLeft;
        pSize->y = nTop;
        pSize->min_width = pSize->max_width = kClientWidth;
        pSize->min_height = pSize->max_height = kClientHeight;
        XSetWMNormalHints(m_pDisplay, m_window, pSize);
        XFree(pSize);
    }
    XWMHints* pHints = XAllocWMHints();
    if (pHints != nullptr) {
        pHints->flags = InputHint;
        pHints->input = False;
        XSetWMHints(m_pDisplay, m_window, pHints);
        XFree(pHints);
    }

    const auto setAtoms = [this](const char* szProperty, const char* szValue) {
        const Atom property = XInternAtom(m_pDisplay, szProperty, False);
        const Atom value = XInternAtom(m_pDisplay, szValue, False);
        XChangeProperty(m_pDisplay, m_window, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&value), 1);
    };
    setAtoms("_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_UTILITY");
    setAtoms("_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR");

    // The Motif hints' decorations field: none.
    const long motifHints[5] = {2, 0, 0, 0, 0};
    const Atom motif = XInternAtom(m_pDisplay, "_MOTIF_WM_HINTS", False);
    XChangeProperty(m_pDisplay, m_window, motif, motif, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(motifHints), 5);
}

bool X11WaitWindow::CreateImage()
{
    const int nScreen = DefaultScreen(m_pDisplay);
    Visual* pVisual = DefaultVisual(m_pDisplay, nScreen);
    const int nDepth = DefaultDepth(m_pDisplay, nScreen);
    m_pImage = XCreateImage(m_pDisplay, pVisual, static_cast<unsigned>(nDepth), ZPixmap, 0, nullptr, kClientWidth,
                            kClientHeight, 32, 0);
    if (m_pImage == nullptr)
        return false;
    // A 32-bit RGB32 frame is laid out like a 24-bit TrueColor pixel of 32 bits in this machine's
    // byte order; Xlib swaps the bytes for a server of the other order.
    m_bDirect = pVisual->c_class == TrueColor && nDepth == 24 && m_pImage->bits_per_pixel == 32 &&
                pVisual->red_mask == 0xFF0000 && pVisual->green_mask == 0xFF00 && pVisual->blue_mask == 0xFF &&
                m_pImage->bytes_per_line == m_frame.bytesPerLine();
    if (m_bDirect) {
        m_pImage->byte_order = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? LSBFirst : MSBFirst;
        m_pImage->data = reinterpret_cast<char*>(m_frame.bits());
        return true;
    }
    m_converted.assign(static_cast<std::size_t>(m_pImage->bytes_per_line) * kClientHeight, 0);
    m_pImage->data = m_converted.data();
    return true;
}

// Pixel by pixel through the visual's masks; a visual without colour masks gets black and white.
void X11WaitWindow::ConvertFrame()
{
    const int nScreen = DefaultScreen(m_pDisplay);
    const Visual* pVisual = DefaultVisual(m_pDisplay, nScreen);
    const bool bMasks = pVisual->c_class == TrueColor || pVisual->c_class == DirectColor;
    const unsigned long nWhite = WhitePixel(m_pDisplay, nScreen);
    const unsigned long nBlack = BlackPixel(m_pDisplay, nScreen);
    for (int y = 0; y < kClientHeight; ++y) {
        const auto* pLine = reinterpret_cast<const QRgb*>(m_frame.constScanLine(y));
        for (int x = 0; x < kClientWidth; ++x) {
            const QRgb rgb = pLine[x];
            unsigned long nPixel;
            if (bMasks)
                nPixel = ScaleChannel(qRed(rgb), pVisual->red_mask) | ScaleChannel(qGreen(rgb), pVisual->green_mask) |
                         ScaleChannel(qBlue(rgb), pVisual->blue_mask);
            else
                nPixel = qGray(rgb) >= 128 ? nWhite : nBlack;
            XPutPixel(m_pImage, x, y, nPixel);
        }
    }
}

void X11WaitWindow::DrainEvents()
{
    // No input is selected; whatever arrives anyway (mapping changes and the like) is dropped so
    // the queue cannot grow while the window lives.
    while (Usable() && XPending(m_pDisplay) > 0) {
        XEvent event;
        XNextEvent(m_pDisplay, &event);
    }
}

void X11WaitWindow::Show(const WaitWindowSnapshot& state)
{
    WaitWindowPicture::Paint(m_frame, state);
    if (!m_bDirect)
        ConvertFrame();
    XPutImage(m_pDisplay, m_window, m_gc, m_pImage, 0, 0, 0, 0, kClientWidth, kClientHeight);
    XFlush(m_pDisplay);
}

void X11WaitWindow::Redraw(const WaitWindowSnapshot& state)
{
    DrainEvents();
    if (!Usable())
        return;
    Show(state);
}

void X11WaitWindow::Close()
{
    if (m_pDisplay == nullptr)
        return;
    if (m_pImage != nullptr) {
        // The pixels belong to the frame or to m_converted, not to Xlib.
        m_pImage->data = nullptr;
        XDestroyImage(m_pImage);
        m_pImage = nullptr;
    }
    // A broken connection is left alone: every further call on it would fail again, and closing
    // it would run the I/O error path once more. Its memory is lost, the program goes on.
    if (!t_bWaitDisplayBroken) {
        if (m_gc != nullptr)
            XFreeGC(m_pDisplay, m_gc);
        if (m_window != 0)
            XDestroyWindow(m_pDisplay, m_window);
        XCloseDisplay(m_pDisplay);
    }
    m_gc = nullptr;
    m_window = 0;
    m_pDisplay = nullptr;
    t_pWaitDisplay = nullptr;
}

} // namespace

void PrepareNativeWaitWindow()
{
    XInitThreads();
}

WaitWindowBackendFactory MakeNativeWaitWindowFactory()
{
    if (qGuiApp == nullptr)
        return {};
    const auto* pX11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (pX11 == nullptr || pX11->display() == nullptr)
        return {};
    const char* szDisplay = XDisplayString(pX11->display());
    if (szDisplay == nullptr)
        return {};
    ChainIOErrorHandler();
    std::string displayName(szDisplay);
    const QRect area = NativeAvailableArea();
    return [displayName, area]() -> std::unique_ptr<WaitWindowBackend> {
        return std::make_unique<X11WaitWindow>(displayName, area);
    };
}
