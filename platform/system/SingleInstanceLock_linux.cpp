#include "SingleInstanceLock.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {
namespace {

bool IsUsableDirectory(const char* dir) { return dir != nullptr && dir[0] == '/' && ::access(dir, W_OK | X_OK) == 0; }

// $XDG_RUNTIME_DIR, else $TMPDIR, else /tmp.
std::string LockDirectory()
{
    for (const char* variable : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        const char* dir = std::getenv(variable);
        if (IsUsableDirectory(dir))
            return dir;
    }
    return "/tmp";
}

}  // namespace

SingleInstanceLock::SingleInstanceLock(std::string name)
{
    // A name holding a slash would reach outside the lock directory.
    for (char& c : name)
        if (c == '/')
            c = '_';
    m_path = LockDirectory() + "/" + name + ".lock";
}

SingleInstanceLock::~SingleInstanceLock() { Release(); }

SingleInstanceLock::Result SingleInstanceLock::Acquire()
{
    if (IsHeld())
        return Result::Acquired;
    // Close-on-exec: a browser started from the help button must not inherit
    // the lock and keep it after we end. No following of a planted link.
    const int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return Result::Unavailable;
    int rc;
    do
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return held ? Result::HeldElsewhere : Result::Unavailable;
    }
    m_handle = fd;
    return Result::Acquired;
}

void SingleInstanceLock::Release()
{
    if (!IsHeld())
        return;
    // The file stays: removing it would let a racing start lock a new file
    // while another process still holds the old one.
    ::close(static_cast<int>(m_handle));
    m_handle = kNoHandle;
}

}  // namespace platform
