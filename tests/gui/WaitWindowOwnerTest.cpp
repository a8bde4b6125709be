// SPDX-License-Identifier: MIT
// How the wait window's X11 window presents itself to a window manager: a tool window of its
// caller's, not a window above every other. Xlib's macros clash with Qt's names, so it comes last.
#include "gui/WaitWindowNative.h"
#include "gui/WaitWindowPicture.h"

#include <QGuiApplication>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <memory>
#include <string>

namespace
{

// The child of the root window that is not the caller's and has the wait window's client size: the
// wait window, which lives on a display connection of its own.
Window FindWaitWindow(Display* pDisplay, Window caller)
{
    Window root = 0;
    Window parent = 0;
    Window* pChildren = nullptr;
    unsigned int nChildren = 0;
    if (XQueryTree(pDisplay, DefaultRootWindow(pDisplay), &root, &parent, &pChildren, &nChildren) == 0)
        return 0;
    Window found = 0;
    for (unsigned int i = 0; i < nChildren; ++i) {
        XWindowAttributes attributes;
        if (pChildren[i] != caller && XGetWindowAttributes(pDisplay, pChildren[i], &attributes) != 0 &&
            attributes.map_state == IsViewable && attributes.width == WaitWindowPicture::kClientWidth &&
            attributes.height == WaitWindowPicture::kClientHeight)
            found = pChildren[i];
    }
    XFree(pChildren);
    return found;
}

std::string AtomProperty(Display* pDisplay, Window window, const char* szProperty)
{
    Atom type = 0;
    int nFormat = 0;
    unsigned long nItems = 0;
    unsigned long nAfter = 0;
    unsigned char* pData = nullptr;
    const Atom property = XInternAtom(pDisplay, szProperty, False);
    std::string name;
    if (XGetWindowProperty(pDisplay, window, property, 0, 1, False, XA_ATOM, &type, &nFormat, &nItems, &nAfter,
                           &pData) == Success &&
        nItems == 1 && nFormat == 32) {
        char* szName = XGetAtomName(pDisplay, *reinterpret_cast<Atom*>(pData));
        if (szName != nullptr) {
            name = szName;
            XFree(szName);
        }
    }
    if (pData != nullptr)
        XFree(pData);
    return name;
}

} // namespace

// Needs an X server, like the picture test beside it (gui_tests_x11).
TEST(WaitWindowX11Test, ToolWindowOfItsCallerNotAboveEverything)
{
    if (QGuiApplication::platformName() != QStringLiteral("xcb"))
        GTEST_SKIP() << "no X11 display; run under xvfb-run to check the native window";
    const auto* pX11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    ASSERT_NE(pX11, nullptr);
    Display* pDisplay = pX11->display();
    QWidget caller;
    caller.resize(200, 100);
    caller.show();
    const auto callerId = static_cast<Window>(caller.winId());

    const WaitWindowBackendFactory factory = MakeNativeWaitWindowFactory();
    ASSERT_TRUE(factory);
    std::unique_ptr<WaitWindowBackend> pWindow = factory();
    ASSERT_NE(pWindow, nullptr);
    pWindow->SetOwner(reinterpret_cast<void*>(static_cast<std::uintptr_t>(callerId)));
    ASSERT_TRUE(pWindow->Create(WaitWindowSnapshot{}));

    XSync(pDisplay, False);
    const Window wait = FindWaitWindow(pDisplay, callerId);
    ASSERT_NE(wait, 0u);
    XWindowAttributes attributes;
    ASSERT_NE(XGetWindowAttributes(pDisplay, wait, &attributes), 0);
    EXPECT_FALSE(attributes.override_redirect) << "a window manager must be able to stack it below other programs";
    Window owner = 0;
    EXPECT_NE(XGetTransientForHint(pDisplay, wait, &owner), 0);
    EXPECT_EQ(owner, callerId);
    EXPECT_EQ(AtomProperty(pDisplay, wait, "_NET_WM_WINDOW_TYPE"), "_NET_WM_WINDOW_TYPE_UTILITY");
    EXPECT_EQ(AtomProperty(pDisplay, wait, "_NET_WM_STATE"), "_NET_WM_STATE_SKIP_TASKBAR");
    XWMHints* pHints = XGetWMHints(pDisplay, wait);
    ASSERT_NE(pHints, nullptr);
    EXPECT_TRUE((pHints->flags & InputHint) != 0 && pHints->input == False) << "never takes the focus";
    XFree(pHints);
    pWindow->Close();
}
