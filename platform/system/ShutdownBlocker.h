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

private:
    std::uintptr_t m_window = 0;
    bool m_ownWindow = false;
    std::thread m_windowThread;  // serves the hidden window's messages
};

}  // namespace platform
