#pragma once
#include <string>

namespace platform {

//! Full path of the running executable; empty if it cannot be found.
std::string ModuleFilePath();

//! The platform's directory separator.
constexpr char PathSeparator()
{
#ifdef _WIN32
    return '\\';
#else
    return '/';
#endif
}

}  // namespace platform
