// SPDX-License-Identifier: MIT
// The wait window on Windows: a bordered pop-up of the class "CommWaitWindow", created and drawn by
// the wait thread. Qt headers come before windows.h.
#include "gui/WaitWindowNative.h"
#include "gui/WaitWindowPicture.h"

#include <QImage>

#include <windows.h>

#include <memory>
#include <mutex>

namespace
{

using WaitWindowPicture::kClientHeight;
using WaitWindowPicture::kClientWidth;
using WaitWindowPicture::kWindowHeight;
using WaitWindowPicture::kWindowWidth;

constexpr char kClassName[] = "CommWaitWindow";

class Win32WaitWindow;

LRESULT CALLBACK WaitWindowProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam);

// Registered once per process; a class left by an earlier registration is used as it is.
bool RegisterWaitWindowClass(HINSTANCE hInstance)
{
    static std::mutex lock;
    static bool bRegistered = false;
    std::lock_guard<std::mutex> guard(lock);
    if (bRegistered)
        return true;
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(hInstance, kClassName, &existing)) {
        bRegistered = true;
        return true;
    }
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = 0;
    windowClass.lpfnWndProc = WaitWindowProc;
    windowClass.cbWndExtra = 4;
    windowClass.hInstance = hInstance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    // No background brush: every pixel of the client area comes from the picture.
    windowClass.hbrBackground = nullptr;
    windowClass.lpszClassName = kClassName;
    bRegistered = RegisterClassExA(&windowClass) != 0;
    return bRegistered;
}

class Win32WaitWindow final : public WaitWindowBackend
{
public:
    Win32WaitWindow() = default;
    ~Win32WaitWindow() override { Close(); }
    Win32WaitWindow(const Win32WaitWindow&) = delete;
    Win32WaitWindow& operator=(const Win32WaitWindow&) = delete;

    bool Create(const WaitWindowSnapshot& state) override;
    void Redraw(const WaitWindowSnapshot& state) override;
    void Close() override;
    void BringToFront(void* hCallerWnd) override { RaiseCallerWindow(hCallerWnd); }

    // Copies the current frame to the window in one piece, so it does not flicker.
    void CopyFrame(HDC hDC) const;
    void Attach(HWND hWnd) { m_hWnd = hWnd; }

private:
    void DispatchPending();

    HWND m_hWnd = nullptr;
    QImage m_frame;
};

LRESULT CALLBACK WaitWindowProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    if (nMessage == WM_NCCREATE) {
        const auto* pCreate = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        auto* pWindow = static_cast<Win32WaitWindow*>(pCreate->lpCreateParams);
        if (pWindow == nullptr)
            return FALSE;
        pWindow->Attach(hWnd);
        SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pWindow));
    }
    const auto* pWindow = reinterpret_cast<const Win32WaitWindow*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (pWindow != nullptr) {
        if (nMessage == WM_PAINT) {
            PAINTSTRUCT paint;
            if (HDC hDC = BeginPaint(hWnd, &paint)) {
                pWindow->CopyFrame(hDC);
                EndPaint(hWnd, &paint);
            }
            return 0;
        }
        if (nMessage == WM_ERASEBKGND)
            return 1;
    }
    return DefWindowProcA(hWnd, nMessage, wParam, lParam);
}

bool Win32WaitWindow::Create(const WaitWindowSnapshot& state)
{
    if (m_hWnd != nullptr)
        return false;
    const HINSTANCE hInstance = GetModuleHandleA(nullptr);
    if (!RegisterWaitWindowClass(hInstance))
        return false;
    m_frame = QImage(kClientWidth, kClientHeight, QImage::Format_RGB32);
    if (m_frame.isNull())
        return false;
    WaitWindowPicture::Paint(m_frame, state);

    RECT area = {};
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0))
        area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const int nLeft = area.left + (area.right - area.left - kWindowWidth) / 2;
    const int nTop = area.top + (area.bottom - area.top - kWindowHeight) / 2;
    // No owner, so the window lives and dies with this thread alone; never activated, so the
    // blocked main window keeps the focus it had. Not topmost: it opens above the caller, and a
    // program the user turns to meanwhile may cover it like any other window.
    const HWND hWnd = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kClassName, "", WS_POPUP | WS_BORDER, nLeft,
                                      nTop, kWindowWidth, kWindowHeight, nullptr, nullptr, hInstance, this);
    if (hWnd == nullptr) {
        m_hWnd = nullptr;
        return false;
    }
    ShowWindow(hWnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hWnd);
    return true;
}

void Win32WaitWindow::CopyFrame(HDC hDC) const
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = m_frame.width();
    // Negative: rows top-down, as the frame holds them.
    info.bmiHeader.biHeight = -m_frame.height();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(hDC, 0, 0, static_cast<DWORD>(m_frame.width()), static_cast<DWORD>(m_frame.height()), 0, 0, 0,
                      static_cast<UINT>(m_frame.height()), m_frame.constBits(), &info, DIB_RGB_COLORS);
}

// The thread has no message loop of its own; whatever was sent or posted to its window is handled
// at each tick, so other programs broadcasting to every window are not held up.
void Win32WaitWindow::DispatchPending()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);
}

void Win32WaitWindow::Redraw(const WaitWindowSnapshot& state)
{
    if (m_hWnd == nullptr)
        return;
    DispatchPending();
    WaitWindowPicture::Paint(m_frame, state);
    if (HDC hDC = GetDC(m_hWnd)) {
        CopyFrame(hDC);
        ReleaseDC(m_hWnd, hDC);
    }
    ValidateRect(m_hWnd, nullptr);
}

void Win32WaitWindow::Close()
{
    if (m_hWnd == nullptr)
        return;
    SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
    DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

} // namespace

void PrepareNativeWaitWindow()
{
    // The main window answers no messages while a helper runs. Windows would put a frozen copy
    // with "(Not Responding)" over it after a few seconds, which the wait window then sits on.
    DisableProcessWindowsGhosting();
}

WaitWindowBackendFactory MakeNativeWaitWindowFactory()
{
    return []() -> std::unique_ptr<WaitWindowBackend> { return std::make_unique<Win32WaitWindow>(); };
}
