#include "WakeSignal.h"

#include "WordWait.h"

namespace platform {

void WakeSignal::notify()
{
    // Sequentially consistent on both sides: either the waiter sees the new
    // generation, or this call sees the waiter and wakes it.
    m_generation.fetch_add(1);
    if (m_waiters.load() != 0)
        WakeWordWaiters(m_generation);
}

bool WakeSignal::waitFor(std::uint32_t seen, std::chrono::microseconds timeout)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    m_waiters.fetch_add(1);
    // The system sleeps only while the word still holds `seen`, so a call
    // between the caller's look and this sleep ends it at once.
    while (m_generation.load() == seen) {
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero())
            break;
        WaitOnWord(m_generation, seen, left);
    }
    m_waiters.fetch_sub(1);
    return m_generation.load() != seen;
}

}  // namespace platform
