#pragma once
// Files that only some systems have, for the tests of what the program
// refuses to open. A helper that returns false leaves its test nothing to do
// on this system.
#include <filesystem>
#include <string>

namespace testsupport {

//! Makes a named pipe (FIFO) at `path`; false where the file system has none (Windows).
bool MakeNamedPipe(const std::filesystem::path& path);
//! Makes a symbolic link at `link` to `target`; false where the system (or
//! the user's rights) allow none, as on Windows without developer mode.
bool MakeSymbolicLink(const std::filesystem::path& target, const std::filesystem::path& link);
//! A device that opens like a file: /dev/null, or NUL on Windows.
std::string NullDevicePath();

}  // namespace testsupport
