#include "Console.h"

#include <unistd.h>

namespace platform {

bool PrepareTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

}  // namespace platform
