#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

//! Keeps the computer from sleeping, from suspending when idle or when its
//! lid is closed, and from shutting down, for as long as the object lives: a
//! suspend or shutdown in the middle of an update leaves the instrument with a
//! half erased, half written flash. Linux (logind) holds all of these off, the
//! power, suspend and hibernate keys too. Windows holds off only sleeping on
//! the idle timer; a shutdown or restart waits on a screen where the user may
//! still go on with it; the Sleep button, a closed lid, a forced shutdown are
//! not held off; on a Modern Standby machine running on battery, a power
//! request lasts only until five minutes after the sleep timeout
//! (PowerSetRequest, Remarks), so the object says so (Caveat). Where the
//! system gives no such lock the object says why, and
//! the caller goes on without it. Create and destroy it on the same thread
//! (Windows keeps the request per thread).
class SleepInhibitor {
public:
    //! Asks the system for the lock on behalf of `who` (the program's name),
    //! with `why` as the reason a person reads in the system's list of locks.
    //! `window`: the program's window (HWND), whose native event filter asks
    //! RefusesEndSession; 0 for a program without one (Windows only).
    SleepInhibitor(const std::string& who, const std::string& why, std::uintptr_t window = 0);
    //! Gives the lock back.
    ~SleepInhibitor();
    SleepInhibitor(const SleepInhibitor&) = delete;
    SleepInhibitor& operator=(const SleepInhibitor&) = delete;

    //! True while the system holds the lock for us.
    bool Held() const { return m_lock != nullptr; }
    //! What the lock holds off, in the system's own words.
    const std::string& What() const { return m_what; }
    const std::string& Who() const { return m_who; }
    const std::string& Why() const { return m_why; }
    //! Why no lock could be taken; empty while one is held.
    const std::string& Problem() const { return m_problem; }
    //! What the lock cannot hold off on this machine as it runs now (a
    //! Modern Standby laptop on battery), for the user to see; usually empty.
    const std::string& Caveat() const { return m_caveat; }

    //! For the window's native event filter: true when `message` asks the
    //! window of a held lock whether the session may end (Windows'
    //! WM_QUERYENDSESSION), which it then answers with 0, no.
    static bool RefusesEndSession(const void* message);
    //! For the window's native event filter: true when `message` tells the
    //! window of a held lock that the session ends anyway (Windows'
    //! WM_ENDSESSION, the user having chosen to shut down regardless); the
    //! process may be ended soon after the filter returns.
    static bool EndsSession(const void* message);

private:
    struct Lock;  // the system's token; its destructor gives the lock back
    std::unique_ptr<Lock> m_lock;
    std::string m_what;
    std::string m_who;
    std::string m_why;
    std::string m_problem;
    std::string m_caveat;
};

}  // namespace platform
