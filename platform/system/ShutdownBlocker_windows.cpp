#include "ShutdownBlocker.h"

#include <windows.h>

#include <atomic>
#include <future>

namespace platform {
namespace {

// The program's own window while it blocks; its native event filter answers for it.
std::atomic<HWND> g_refusingWindow{nullptr};
std::atomic<void (*)(bool)> g_stopHandler{nullptr};

constexpr const wchar_t* kHiddenWindowClass = L"VantrelShutdownBlocker";
// The blocker's own end; a WM_CLOSE comes from outside.
constexpr UINT kOwnClose = WM_APP + 1;

void AskToStop(bool sessionEnds)
{
    if (auto* handler = g_stopHandler.load())
        handler(sessionEnds);
}

LRESULT CALLBACK HiddenWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_QUERYENDSESSION: return FALSE;
    case WM_ENDSESSION:
        if (wParam != FALSE)
            AskToStop(true);
        return 0;
    case WM_CLOSE:
        AskToStop(false);  // the window stays, and so does the block, until the run is done
        return 0;
    case kOwnClose:
        ::ShutdownBlockReasonDestroy(window);
        ::DestroyWindow(window);
        return 0;
    case WM_DESTROY: ::PostQuitMessage(0); return 0;
    default: return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

// Top-level and never shown. Not a message-only window (parent HWND_MESSAGE),
// though it would suit a window without a face: Windows asks only top-level
// windows whether the session may end, and a message-only window is not one.
HWND CreateHiddenWindow()
{
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = HiddenWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kHiddenWindowClass;
    ::RegisterClassExW(&windowClass);  // fails harmlessly when a run before registered it
    return ::CreateWindowExW(0, kHiddenWindowClass, L"Vantrel", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                             instance, nullptr);
}

// The headless updater's main thread waits in the protocol and serves no
// messages, and Windows' question is a sent message, answered only by the
// thread that made the window: so the window has a thread of its own.
void ServeHiddenWindow(const std::wstring& reason, std::promise<std::uintptr_t>& made)
{
    HWND window = CreateHiddenWindow();
    // The reason only on the window's own thread, as Windows requires; without
    // it the window still answers no, and Windows names no reason.
    if (window != nullptr)
        ::ShutdownBlockReasonCreate(window, reason.c_str());
    made.set_value(reinterpret_cast<std::uintptr_t>(window));
    if (window == nullptr)
        return;
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&message);
}

}  // namespace

ShutdownBlocker::ShutdownBlocker(const std::wstring& reason, std::uintptr_t window)
{
    if (window != 0) {
        HWND handle = reinterpret_cast<HWND>(window);
        ::ShutdownBlockReasonCreate(handle, reason.c_str());
        g_refusingWindow = handle;
        m_window = window;
        return;
    }
    std::promise<std::uintptr_t> made;
    std::future<std::uintptr_t> ready = made.get_future();
    m_windowThread = std::thread([reason, &made] { ServeHiddenWindow(reason, made); });
    m_window = ready.get();
    m_ownWindow = true;
}

ShutdownBlocker::~ShutdownBlocker()
{
    HWND handle = reinterpret_cast<HWND>(m_window);
    if (m_ownWindow) {
        if (handle != nullptr)
            ::PostMessageW(handle, kOwnClose, 0, 0);
        m_windowThread.join();
        return;
    }
    g_refusingWindow = nullptr;
    ::ShutdownBlockReasonDestroy(handle);
}

bool ShutdownBlocker::EndsSession(const void* message)
{
    const MSG* msg = static_cast<const MSG*>(message);
    const HWND refusing = g_refusingWindow;
    return refusing != nullptr && msg->hwnd == refusing && msg->message == WM_ENDSESSION && msg->wParam != FALSE;
}

void ShutdownBlocker::SetStopHandler(void (*handler)(bool sessionEnds)) { g_stopHandler = handler; }

bool ShutdownBlocker::RefusesEndSession(const void* message)
{
    const MSG* msg = static_cast<const MSG*>(message);
    const HWND refusing = g_refusingWindow;
    return refusing != nullptr && msg->hwnd == refusing && msg->message == WM_QUERYENDSESSION;
}

}  // namespace platform
