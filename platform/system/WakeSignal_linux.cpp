#include "WakeSignal.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <ctime>

namespace platform {
namespace {

static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t), "a futex is a plain 32-bit word");

std::uint32_t* Word(std::atomic<std::uint32_t>& value) { return reinterpret_cast<std::uint32_t*>(&value); }

timespec ToTimespec(std::chrono::nanoseconds duration)
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration);
    return {static_cast<time_t>(seconds.count()), static_cast<long>((duration - seconds).count())};
}

}  // namespace

void WakeSignal::notify()
{
    // Sequentially consistent on both sides: either the waiter sees the new
    // generation, or this call sees the waiter and wakes it.
    m_generation.fetch_add(1);
    if (m_waiters.load() != 0)
        syscall(SYS_futex, Word(m_generation), FUTEX_WAKE_PRIVATE, INT_MAX, nullptr, nullptr, 0);
}

bool WakeSignal::waitFor(std::uint32_t seen, std::chrono::microseconds timeout)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    m_waiters.fetch_add(1);
    // The kernel sleeps only while the word still holds `seen`, so a call
    // between the caller's look and this sleep ends it at once.
    while (m_generation.load() == seen) {
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero())
            break;
        const timespec wait = ToTimespec(left);
        syscall(SYS_futex, Word(m_generation), FUTEX_WAIT_PRIVATE, seen, &wait, nullptr, 0);
    }
    m_waiters.fetch_sub(1);
    return m_generation.load() != seen;
}

}  // namespace platform
