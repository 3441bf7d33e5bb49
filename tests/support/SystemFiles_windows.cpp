#include "SystemFiles.h"

namespace testsupport {

// Windows' named pipes live in their own namespace (\\.\pipe\), never in a folder.
bool MakeNamedPipe(const std::filesystem::path&) { return false; }

std::string NullDevicePath() { return "NUL"; }

}  // namespace testsupport
