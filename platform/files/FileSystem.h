#pragma once
// The file system as the file classes and the tools need it. Paths are UTF-8
// on every system; on Windows they reach the system as UTF-16, so no name is
// lost to the code page. Descriptors are the C runtime's.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace platform {

//! `path` (UTF-8) as the standard library's path type.
inline std::filesystem::path PathFromUtf8(const std::string& path)
{
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

//! `path` as UTF-8 text.
inline std::string Utf8FromPath(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

//! The outcome of OpenRegularFile: a descriptor, or why there is none.
struct OpenedFile {
    int descriptor = -1;
    int cause = 0;     //!< CFileException cause when the open failed
    long osError = 0;  //!< the system's error number (errno, or Windows' error code)
};

//! Opens `path` with CFile's open flags. Only a regular file opens: a
//! folder is refused as accessDenied, a pipe or a device as invalidFile, and
//! opening never blocks on them.
OpenedFile OpenRegularFile(const std::string& path, unsigned openFlags);
//! read(2) on every system: bytes read, 0 at the end, -1 with errno set.
long ReadDescriptor(int descriptor, void* buffer, unsigned count);
//! write(2) on every system: bytes written, -1 with errno set.
long WriteDescriptor(int descriptor, const void* buffer, unsigned count);
//! The size of the open file; false when it cannot be told.
bool DescriptorLength(int descriptor, std::uint64_t& length);
//! Closes a descriptor.
void CloseDescriptor(int descriptor);
//! A C stream on `descriptor`, which it then owns; nullptr on failure.
std::FILE* StreamOnDescriptor(int descriptor, const char* mode);
//! The descriptor under a C stream.
int StreamDescriptor(std::FILE* stream);

//! `path` (UTF-8) as the standard library's path type, in the form the
//! system opens at any length (on Windows past MAX_PATH: see LongPath.h).
std::filesystem::path SystemFilePath(const std::string& path);

//! fopen with a UTF-8 path.
std::FILE* OpenFileStream(const std::string& path, const char* mode);
//! Flushes `stream` and has the system put its data on the disk.
bool FlushToDisk(std::FILE* stream);
//! Gives `from` the name `to`, replacing a file of that name in one step.
bool RenameReplacing(const std::string& from, const std::string& to);
//! Removes a file; false when it could not.
bool RemoveFile(const std::string& path);

}  // namespace platform
