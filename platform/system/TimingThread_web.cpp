#include "TimingThread.h"

namespace platform {

// A page has one thread, the browser's, which is not ours to name.
void SetUpTimingThread(const char*) {}

}  // namespace platform
