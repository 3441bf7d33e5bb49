#pragma once
#include <string>

namespace platform {

//! Full path of the running executable; empty if it cannot be found.
std::string ModuleFilePath();

//! The platform's directory separator.
char PathSeparator();

}  // namespace platform
