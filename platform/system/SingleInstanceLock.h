#pragma once
#include <cstdint>
#include <string>

namespace platform {

//! Keeps a second copy of the program from running. On Linux an exclusive
//! flock on a lock file named after the application in the user's runtime
//! (or temp) folder; on Windows a named mutex of that name, created owned.
//! The system drops either when the holding process ends, also after a crash,
//! so nothing stale ever blocks a later start.
class SingleInstanceLock {
public:
    //! `name` is the application name; copies under different names don't see each other.
    explicit SingleInstanceLock(std::string name);
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    //! Outcome of an acquire attempt.
    enum class Result { Acquired, HeldElsewhere, Unavailable };

    //! Takes the lock without waiting. Unavailable means the system would not
    //! make the lock (no guard is possible then).
    Result Acquire();
    //! Gives the lock up early; the destructor does the same.
    void Release();
    //! True while this object holds the lock.
    bool IsHeld() const { return m_handle != kNoHandle; }
    //! Where the lock lives: the lock file's full path, or the mutex's name.
    const std::string& Path() const { return m_path; }

private:
    static constexpr std::intptr_t kNoHandle = -1;

    std::string m_path;
    std::intptr_t m_handle = kNoHandle;  // the lock file's descriptor, or the mutex's handle
};

}  // namespace platform
