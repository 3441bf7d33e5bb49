#pragma once
// The system's sleep on a memory word (a futex on Linux, WaitOnAddress on
// Windows), on which WakeSignal is built.
#include <atomic>
#include <chrono>
#include <cstdint>

namespace platform {

static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t), "the system watches a plain 32-bit word");

//! Sleeps while `word` holds `seen`, for at most about `timeout`; may return
//! early for no reason, so callers look again.
void WaitOnWord(std::atomic<std::uint32_t>& word, std::uint32_t seen, std::chrono::nanoseconds timeout);
//! `timeout` in the 100 ns steps of Windows' native waits: rounded up, so that
//! a short wait still sleeps, and negative, as such a time-out counts from now.
constexpr std::int64_t RelativeWaitTicks(std::chrono::nanoseconds timeout)
{
    return -std::chrono::ceil<std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>>(timeout).count();
}

//! Wakes every thread sleeping on `word`.
void WakeWordWaiters(std::atomic<std::uint32_t>& word);

}  // namespace platform
