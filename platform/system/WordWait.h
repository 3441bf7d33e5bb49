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
//! Wakes every thread sleeping on `word`.
void WakeWordWaiters(std::atomic<std::uint32_t>& word);

}  // namespace platform
