#include "PumpWaitingMessages.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "EventPump.h"

bool PumpWaitingMessages() { return platform::RunPumpHook(); }

void WaitDispatching(unsigned ms, const std::function<void()>& dispatch)
{
    using Clock = std::chrono::steady_clock;
    // Timed against the end, so the steps' own overshoot does not add up.
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    for (auto now = Clock::now(); now < end; now = Clock::now()) {
        std::this_thread::sleep_until(std::min(end, now + kDispatchInterval));
        dispatch();
    }
}
