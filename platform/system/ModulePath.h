#pragma once
#include <string>

namespace platform {

//! Full path of the running executable; empty if it cannot be found.
std::string ModuleFilePath();

//! The platform's directory separator.
char PathSeparator();

//! The running process's id.
unsigned long ProcessId();

}  // namespace platform
