#include "PreciseSleep.h"

#include <atomic>
#include <cstdint>

#include "WordWait.h"

namespace platform {

void SleepUntil(std::chrono::steady_clock::time_point deadline)
{
    // A word nobody changes: only the time-out ends each wait. Waits may end
    // early, so the remaining time is taken again from the clock each round.
    std::atomic<std::uint32_t> untouched{0};
    for (auto left = deadline - std::chrono::steady_clock::now(); left > left.zero();
         left = deadline - std::chrono::steady_clock::now())
        WaitOnWord(untouched, 0, left);
}

}  // namespace platform
