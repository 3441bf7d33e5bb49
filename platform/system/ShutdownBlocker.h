#pragma once
#include <cstdint>
#include <string>
#include <thread>

namespace platform {

//! Windows' part of the lock against the end of the session (shutdown,
//! restart, log-off): Windows asks every top-level window whether the session
//! may end, and lists a window that answers no, with the reason given to
//! ShutdownBlockReasonCreate, on the screen that offers to shut down anyway.
//! The user can still go on with the shutdown there; a forced shutdown, a
//! power cut or a kill is not held off at all.
class ShutdownBlocker {
public:
    //! Refuses the end of the session with `reason` shown to the user: through
    //! `window`, an HWND made on this thread whose native event filter asks
    //! RefusesEndSession, or for 0 through a hidden window of its own.
    ShutdownBlocker(const std::wstring& reason, std::uintptr_t window);
    //! Lets the session end again; on the thread that made the object.
    ~ShutdownBlocker();
    ShutdownBlocker(const ShutdownBlocker&) = delete;
    ShutdownBlocker& operator=(const ShutdownBlocker&) = delete;

    //! True while a window answers no.
    bool Held() const { return m_window != 0; }

    //! For a window's native event filter: true when `message` (a MSG) asks
    //! the blocking window whether the session may end; the answer is 0, no.
    static bool RefusesEndSession(const void* message);
    //! For the same filter: true when `message` tells the blocking window
    //! that the session ends anyway (WM_ENDSESSION with TRUE).
    static bool EndsSession(const void* message);

    //! What the hidden window does when the session ends anyway (the user
    //! chose to shut down regardless: WM_ENDSESSION) or another program asks
    //! it to close (WM_CLOSE: taskkill without /F, the Restart Manager): it
    //! calls `handler` on its own thread, with `sessionEnds` true for the
    //! former. The handler asks the run to stop and, when the session ends,
    //! returns once the run is done or its grace is over, as Windows ends the
    //! process soon after. Without a handler the window still refuses, and
    //! the process ends with the session.
    static void SetStopHandler(void (*handler)(bool sessionEnds));

private:
    std::uintptr_t m_window = 0;
    bool m_ownWindow = false;
    std::thread m_windowThread;  // serves the hidden window's messages
};

}  // namespace platform
