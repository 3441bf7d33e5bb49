#pragma once
#include <string>
#include <vector>

namespace platform {

//! The program's arguments after its own name, in UTF-8. Windows hands argv
//! over in the code page, which cannot hold every file name; there they are
//! read from the system in UTF-16 instead.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace platform
