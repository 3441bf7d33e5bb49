#include "PreciseTimer.h"

namespace platform {

// Linux's sleeps are precise to tens of microseconds already.
PreciseTimer::PreciseTimer() = default;

PreciseTimer::~PreciseTimer() = default;

}  // namespace platform
