// SPDX-License-Identifier: MIT
// The native side of the wait window. The state and the thread live in CxCommWaitWindow; a
// backend only shows that state, so the thread runs the same with or without a window system.
#pragma once

#include <functional>
#include <memory>

// What one picture of the wait window shows, copied out of the window's state under its lock.
struct WaitWindowSnapshot
{
    // The message without a trailing line end: a progress line keeps the one it was read with,
    // and a line end drawn on a one-line box shows as a stray glyph or breaks the line.
    char szMessage[1024] = {};
    int nElapsed = 0;
    int nTicks = 0;
};

// One backend serves one wait thread and is used only on that thread.
class WaitWindowBackend
{
public:
    virtual ~WaitWindowBackend() = default;

    // The caller's window, given before Create: the window to stay above. Win32 ignores it, since
    // an owner on another thread would tie the wait thread's input to the blocked GUI thread.
    virtual void SetOwner(void* /*hOwnerWnd*/) {}
    // Creates and shows the window and draws the first picture. False when no window could be
    // made; the wait thread then ends.
    virtual bool Create(const WaitWindowSnapshot& state) = 0;
    virtual void Redraw(const WaitWindowSnapshot& state) = 0;
    virtual void Close() = 0;
    // Raises the window that started the wait window and makes it the foreground window.
    virtual void BringToFront(void* hCallerWnd) = 0;
};

// Makes the backend for a new wait thread; a null result means no window (no display).
using WaitWindowBackendFactory = std::function<std::unique_ptr<WaitWindowBackend>()>;
