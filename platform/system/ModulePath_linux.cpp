#include "ModulePath.h"

#include <climits>
#include <unistd.h>

namespace platform {

char PathSeparator() { return '/'; }

unsigned long ProcessId() { return static_cast<unsigned long>(::getpid()); }

std::string ModuleFilePath()
{
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return {};
    return std::string(buffer, static_cast<std::size_t>(length));
}

}  // namespace platform
