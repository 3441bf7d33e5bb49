#include "PreciseTimer.h"

namespace platform {

// A page's waits end on performance.now(), to the fraction of a millisecond.
PreciseTimer::PreciseTimer() = default;

PreciseTimer::~PreciseTimer() = default;

}  // namespace platform
