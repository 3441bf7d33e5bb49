#include "CFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int accessFlags(unsigned openFlags)
{
    int flags = O_CLOEXEC;
    if (openFlags & CFile::modeReadWrite)
        flags |= O_RDWR;
    else if (openFlags & CFile::modeWrite)
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;
    if (openFlags & CFile::modeCreate) {
        flags |= O_CREAT;
        if ((openFlags & CFile::modeNoTruncate) == 0)
            flags |= O_TRUNC;
    }
    return flags;
}

// An ENOENT names either a missing file or a missing directory on the way to it.
bool parentDirectoryMissing(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return false;  // relative to the current directory, which exists
    const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
    struct stat info {};
    return ::stat(parent.c_str(), &info) != 0 || !S_ISDIR(info.st_mode);
}

void fillError(CFileException* error, int cause, int osError, const char* fileName)
{
    if (error == nullptr)
        return;
    error->m_cause = cause;
    error->m_lOsError = osError;
    error->m_strFileName = fileName != nullptr ? fileName : "";
}

}  // namespace

CFile::~CFile() { CFile::Close(); }

bool CFile::Open(const char* fileName, unsigned openFlags, CFileException* error)
{
    return OpenDescriptor(fileName, openFlags, error);
}

bool CFile::OpenDescriptor(const char* fileName, unsigned openFlags, CFileException* error)
{
    Close();
    if (fileName == nullptr) {
        fillError(error, CFileException::badPath, EINVAL, fileName);
        return false;
    }
    // Non-blocking only for the open itself: a named pipe would otherwise
    // hold the open until some writer appears.
    const int fd = ::open(fileName, accessFlags(openFlags) | O_NONBLOCK, 0666);
    if (fd < 0) {
        const int osError = errno;
        const bool parentMissing = osError == ENOENT && parentDirectoryMissing(fileName);
        fillError(error, CFileException::OsErrorToCause(osError, parentMissing), osError, fileName);
        return false;
    }
    // Opening a directory read-only succeeds here; as a file it is refused.
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        fillError(error, CFileException::accessDenied, EISDIR, fileName);
        return false;
    }
    // Pipes and devices have no length to read a list or an image by.
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        fillError(error, CFileException::invalidFile, EINVAL, fileName);
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_hFile = fd;
    m_strFileName = fileName;
    return true;
}

unsigned CFile::Read(void* buffer, unsigned count)
{
    if (m_hFile < 0)
        ThrowError(CFileException::invalidFile, EBADF);
    auto* out = static_cast<char*>(buffer);
    unsigned done = 0;
    while (done < count) {
        const ssize_t got = ::read(m_hFile, out + done, count - done);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ThrowError(CFileException::hardIO, errno);
        }
        done += static_cast<unsigned>(got);
    }
    return done;
}

void CFile::Write(const void* buffer, unsigned count)
{
    if (m_hFile < 0)
        ThrowError(CFileException::invalidFile, EBADF);
    const auto* in = static_cast<const char*>(buffer);
    unsigned done = 0;
    while (done < count) {
        const ssize_t put = ::write(m_hFile, in + done, count - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            ThrowError(errno == ENOSPC ? CFileException::diskFull : CFileException::hardIO, errno);
        }
        done += static_cast<unsigned>(put);
    }
}

std::uint64_t CFile::GetLength() const
{
    struct stat info {};
    if (m_hFile < 0 || ::fstat(m_hFile, &info) != 0)
        ThrowError(CFileException::invalidFile, EBADF);
    return static_cast<std::uint64_t>(info.st_size);
}

void CFile::Close()
{
    if (m_hFile >= 0)
        ::close(m_hFile);
    m_hFile = -1;
}

void CFile::ThrowError(int cause, int osError) const
{
    throw CFileException(cause, osError, m_strFileName);
}
