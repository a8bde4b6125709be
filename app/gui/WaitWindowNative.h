// SPDX-License-Identifier: MIT
// The wait window's native window: X11 on Linux, Win32 on Windows, one source file each. The wait
// thread owns the window and draws the picture of WaitWindowPicture into it.
#pragma once

#include "misc/WaitWindowBackend.h"

// First thing in main(), before any thread or window system connection exists: X11 needs its
// thread support switched on, and Windows must not replace a busy wait window with a ghost.
void PrepareNativeWaitWindow();

// On the GUI thread once the QApplication exists: the factory for the wait threads' windows. It
// is empty when there is nothing to show a window on (offscreen, Wayland); the wait thread then
// runs without one.
WaitWindowBackendFactory MakeNativeWaitWindowFactory();

// Raises and activates the caller's window, given by its native handle (QWidget::winId), once the
// GUI thread runs its events again. Safe from the wait thread: nothing waits for the GUI thread,
// and a window destroyed meanwhile is simply not found.
void RaiseCallerWindow(void* hCallerWnd);
