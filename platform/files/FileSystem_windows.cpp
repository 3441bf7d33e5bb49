#include "FileSystem.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>

#include "CFile.h"
#include "LongPath.h"
#include "WideText.h"

namespace platform {
namespace {

DWORD DesiredAccess(unsigned openFlags)
{
    if (openFlags & CFile::modeReadWrite)
        return GENERIC_READ | GENERIC_WRITE;
    if (openFlags & CFile::modeWrite)
        return GENERIC_WRITE;
    return GENERIC_READ;
}

// What others may do with the file while it is open. Compatibility mode,
// the default, shares nothing: no other program rewrites an image while it is
// being sent or compared, and one that tries gets a sharing violation.
DWORD ShareMode(unsigned openFlags)
{
    switch (openFlags & 0x70) {
    case CFile::shareCompat:
    case CFile::shareExclusive: return 0;
    case CFile::shareDenyWrite: return FILE_SHARE_READ;
    case CFile::shareDenyRead: return FILE_SHARE_WRITE;
    default: return FILE_SHARE_READ | FILE_SHARE_WRITE;
    }
}

DWORD Disposition(unsigned openFlags)
{
    if ((openFlags & CFile::modeCreate) == 0)
        return OPEN_EXISTING;
    return (openFlags & CFile::modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
}

int RuntimeFlags(unsigned openFlags)
{
    int flags = _O_BINARY | _O_NOINHERIT;
    if (openFlags & CFile::modeReadWrite)
        flags |= _O_RDWR;
    else if (openFlags & CFile::modeWrite)
        flags |= _O_WRONLY;
    else
        flags |= _O_RDONLY;
    return flags;
}

OpenedFile Refused(int cause, long osError) { return {-1, cause, osError}; }

// The C runtime's modes, always binary: a text-mode stream would turn CR LF
// into LF and stop at the first Ctrl-Z, and the file classes see raw bytes.
std::wstring BinaryMode(const char* mode)
{
    std::wstring wide = WideFromUtf8(mode);
    if (wide.find(L'b') == std::wstring::npos)
        wide.push_back(L'b');
    return wide;
}

}  // namespace

OpenedFile OpenRegularFile(const std::string& path, unsigned openFlags)
{
    // A folder opens only with backup semantics, so it fails here as access denied.
    HANDLE handle = ::CreateFileW(SystemPath(path).c_str(), DesiredAccess(openFlags), ShareMode(openFlags), nullptr,
                                  Disposition(openFlags), FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return Refused(CFileException::OsErrorToCause(static_cast<int>(error), false), static_cast<long>(error));
    }
    // Pipes, consoles and devices such as NUL have no length to read a list or an image by.
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
        ::CloseHandle(handle);
        return Refused(CFileException::invalidFile, ERROR_INVALID_HANDLE);
    }
    const int descriptor = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), RuntimeFlags(openFlags));
    if (descriptor < 0) {
        ::CloseHandle(handle);
        return Refused(CFileException::tooManyOpenFiles, ERROR_TOO_MANY_OPEN_FILES);
    }
    return {descriptor, CFileException::none, 0};
}

long ReadDescriptor(int descriptor, void* buffer, unsigned count) { return ::_read(descriptor, buffer, count); }

long WriteDescriptor(int descriptor, const void* buffer, unsigned count) { return ::_write(descriptor, buffer, count); }

bool DescriptorLength(int descriptor, std::uint64_t& length)
{
    const long long size = ::_filelengthi64(descriptor);
    if (size < 0)
        return false;
    length = static_cast<std::uint64_t>(size);
    return true;
}

void CloseDescriptor(int descriptor) { ::_close(descriptor); }

std::FILE* StreamOnDescriptor(int descriptor, const char* mode)
{
    return ::_wfdopen(descriptor, BinaryMode(mode).c_str());
}

int StreamDescriptor(std::FILE* stream) { return ::_fileno(stream); }

std::filesystem::path SystemFilePath(const std::string& path) { return SystemPath(path); }

std::FILE* OpenFileStream(const std::string& path, const char* mode)
{
    return ::_wfopen(SystemPath(path).c_str(), BinaryMode(mode).c_str());
}

bool FlushToDisk(std::FILE* stream) { return std::fflush(stream) == 0 && ::_commit(::_fileno(stream)) == 0; }

bool RenameReplacing(const std::string& from, const std::string& to)
{
    return ::MoveFileExW(SystemPath(from).c_str(), SystemPath(to).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFile(const std::string& path) { return ::DeleteFileW(SystemPath(path).c_str()) != 0; }

}  // namespace platform
