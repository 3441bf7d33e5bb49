#include "ModulePath.h"

namespace platform {

// The page's engine lives in the memory file system of its module, with the
// product files in config/ beside it, as an installed program has them.
char PathSeparator() { return '/'; }

unsigned long ProcessId() { return 1; }

std::string ModuleFilePath() { return "/vantrel/vantrel-update"; }

}  // namespace platform
