#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>

namespace platform {

//! A wake-up call from one thread to another that sleeps with a time-out.
//! The side that calls never blocks and takes no lock, so a driver's thread
//! (even a real-time one) may give it. A waiter takes generation() before it
//! looks at the condition it waits for, and passes it to waitFor: a call that
//! comes in between is never lost.
class WakeSignal {
public:
    //! The number of calls so far.
    std::uint32_t generation() const { return m_generation.load(std::memory_order_acquire); }
    //! Wakes every waiter.
    void notify();
    //! Sleeps until notify has been called since generation() gave `seen`, or
    //! until `timeout` has passed. True when woken by a call.
    bool waitFor(std::uint32_t seen, std::chrono::microseconds timeout);

private:
    std::atomic<std::uint32_t> m_generation{0};
    std::atomic<std::uint32_t> m_waiters{0};  // lets notify skip the system call when nobody sleeps
};

}  // namespace platform
