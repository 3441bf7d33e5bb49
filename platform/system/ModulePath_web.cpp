#include "ModulePath.h"

#include <emscripten.h>

// Node's process id (the tests, side by side); a page's engine is the only one.
EM_JS(unsigned long, vantrel_process_id, (), { return typeof process !== 'undefined' ? process.pid : 1; });

namespace platform {

// The page's engine lives in the memory file system of its module, with the
// product files in config/ beside it, as an installed program has them.
char PathSeparator() { return '/'; }

unsigned long ProcessId() { return vantrel_process_id(); }

std::string ModuleFilePath() { return "/vantrel/vantrel-update"; }

}  // namespace platform
