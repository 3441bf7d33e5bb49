#include "WordWait.h"

#include <windows.h>

namespace platform {

void WaitOnWord(std::atomic<std::uint32_t>& word, std::uint32_t seen, std::chrono::nanoseconds timeout)
{
    // Whole milliseconds, rounded up so that a short wait still sleeps. How
    // close it comes to that depends on the system timer, which a run raises
    // to 1 ms (RunTimerResolution).
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(timeout).count();
    ::WaitOnAddress(&word, &seen, sizeof seen, static_cast<DWORD>(ms < 1 ? 1 : ms));
}

void WakeWordWaiters(std::atomic<std::uint32_t>& word) { ::WakeByAddressAll(&word); }

}  // namespace platform
