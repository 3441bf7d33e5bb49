#pragma once
#include <cstdio>

namespace platform {

//! Readies `stream` for a progress line that redraws itself in place. True
//! when it is an interactive terminal that takes UTF-8 text and ANSI escapes
//! (a Windows console is switched to both); false for a file or a pipe, which
//! then gets plain lines.
bool PrepareTerminal(std::FILE* stream);

}  // namespace platform
