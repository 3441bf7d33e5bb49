#include "SystemFiles.h"

namespace testsupport {

// A page's file system has no named pipes; under Node the machine's would be
// made, but read as a plain file.
bool MakeNamedPipe(const std::filesystem::path&) { return false; }

std::string NullDevicePath() { return "/dev/null"; }

}  // namespace testsupport
