#include "PumpWaitingMessages.h"

#include <algorithm>
#include <chrono>

#include "EventPump.h"
#include "PreciseSleep.h"

bool PumpWaitingMessages() { return platform::RunPumpHook(); }

void WaitDispatching(unsigned ms, const std::function<void()>& dispatch)
{
    using Clock = std::chrono::steady_clock;
    // Timed against the end, so the steps' own overshoot does not add up, and
    // to the moment itself, not the next whole millisecond as on Windows.
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    for (auto now = Clock::now(); now < end; now = Clock::now()) {
        platform::SleepUntil(std::min(end, now + kDispatchInterval));
        dispatch();
    }
}
