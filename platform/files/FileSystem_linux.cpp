#include "FileSystem.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "CFile.h"

namespace platform {
namespace {

int AccessFlags(unsigned openFlags)
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
bool ParentDirectoryMissing(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return false;  // relative to the current directory, which exists
    const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
    struct stat info {};
    return ::stat(parent.c_str(), &info) != 0 || !S_ISDIR(info.st_mode);
}

OpenedFile Refused(int cause, long osError) { return {-1, cause, osError}; }

}  // namespace

OpenedFile OpenRegularFile(const std::string& path, unsigned openFlags)
{
    // Non-blocking only for the open itself: a named pipe would otherwise
    // hold the open until some writer appears.
    const int fd = ::open(path.c_str(), AccessFlags(openFlags) | O_NONBLOCK, 0666);
    if (fd < 0) {
        const int osError = errno;
        const bool parentMissing = osError == ENOENT && ParentDirectoryMissing(path);
        return Refused(CFileException::OsErrorToCause(osError, parentMissing), osError);
    }
    // Opening a directory read-only succeeds here; as a file it is refused.
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return Refused(CFileException::accessDenied, EISDIR);
    }
    // Pipes and devices have no length to read a list or an image by.
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return Refused(CFileException::invalidFile, EINVAL);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return {fd, CFileException::none, 0};
}

long ReadDescriptor(int descriptor, void* buffer, unsigned count) { return ::read(descriptor, buffer, count); }

long WriteDescriptor(int descriptor, const void* buffer, unsigned count) { return ::write(descriptor, buffer, count); }

bool DescriptorLength(int descriptor, std::uint64_t& length)
{
    struct stat info {};
    if (::fstat(descriptor, &info) != 0)
        return false;
    length = static_cast<std::uint64_t>(info.st_size);
    return true;
}

void CloseDescriptor(int descriptor) { ::close(descriptor); }

std::FILE* StreamOnDescriptor(int descriptor, const char* mode) { return ::fdopen(descriptor, mode); }

int StreamDescriptor(std::FILE* stream) { return ::fileno(stream); }

std::filesystem::path SystemFilePath(const std::string& path) { return PathFromUtf8(path); }

std::FILE* OpenFileStream(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

bool FlushToDisk(std::FILE* stream) { return std::fflush(stream) == 0 && ::fsync(::fileno(stream)) == 0; }

bool RenameReplacing(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

bool RemoveFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

}  // namespace platform
