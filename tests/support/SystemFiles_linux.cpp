#include "SystemFiles.h"

#include <sys/stat.h>

namespace testsupport {

bool MakeNamedPipe(const std::filesystem::path& path) { return ::mkfifo(path.c_str(), 0600) == 0; }

std::string NullDevicePath() { return "/dev/null"; }

}  // namespace testsupport
