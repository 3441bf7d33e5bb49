#pragma once
#include <string>

//! Keeps a second copy of the program from running: an exclusive flock on a
//! lock file named after the application in the user's runtime (or temp)
//! directory. The system drops the lock when the holding process ends, also
//! after a crash, so a stale file never blocks a later start.
class SingleInstanceLock {
public:
    //! `name` is the application name; copies under different names don't see each other.
    explicit SingleInstanceLock(std::string name);
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    //! Outcome of an acquire attempt.
    enum class Result { Acquired, HeldElsewhere, Unavailable };

    //! Takes the lock without waiting. Unavailable means the file could not be
    //! opened (no guard is possible then).
    Result Acquire();
    //! Gives the lock up early; the destructor does the same.
    void Release();
    //! True while this object holds the lock.
    bool IsHeld() const { return m_fd >= 0; }
    //! Full path of the lock file.
    const std::string& Path() const { return m_path; }

    //! Directory for lock files: $XDG_RUNTIME_DIR, else $TMPDIR, else /tmp.
    static std::string LockDirectory();

private:
    std::string m_path;
    int m_fd = -1;
};
