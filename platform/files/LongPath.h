#pragma once
// Windows opens a path of MAX_PATH (260) characters or more only in its
// extended form, `\\?\` before the full path, which it then takes as it is:
// no forward slashes, no `.` or `..`, no relative parts. The file layer hands
// every path to Windows through SystemPath.
#include <string>

namespace platform {

//! `fullPath` (absolute, as GetFullPathNameW gives it) in the form Windows
//! opens past MAX_PATH: `C:\...` as `\\?\C:\...`, `\\server\share\...` as
//! `\\?\UNC\server\share\...`, forward slashes turned into backslashes first.
//! A shorter path, one already in an extended or device form and one that is
//! not absolute come back as they are.
std::wstring LongPathForm(std::wstring fullPath);

//! `path` (UTF-8, relative to the current folder or not) as Windows' wide
//! file functions take it, at any length. Windows only.
std::wstring SystemPath(const std::string& path);

}  // namespace platform
