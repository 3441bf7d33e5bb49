#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

#include "MidiInput.h"
#include "WakeSignal.h"

//! Collects the SysEx messages an open input delivers into one buffer that
//! the callback queues again after each message, as the port pair does.
class MidiMessageCollector {
public:
    using Bytes = std::vector<std::uint8_t>;

    //! How long a wait for messages that should come may take.
    static constexpr std::chrono::milliseconds kArrivalLimit{2000};

    explicit MidiMessageCollector(std::size_t bufferSize = 8192);

    //! The input callback; `instance` is the collector.
    static void callback(platform::MidiInput* input, unsigned message, void* instance, platform::MidiHeader* header);
    //! Queues the buffer and starts the input.
    void attach(platform::MidiInput& input);
    //! Takes the buffer back and closes the input, as the port pair does.
    void detach(platform::MidiInput& input);
    //! True once `count` messages have arrived; false when `limit` passed first.
    bool waitFor(std::size_t count, std::chrono::milliseconds limit = kArrivalLimit);
    std::vector<Bytes> messages();
    //! When each message came.
    std::vector<std::chrono::steady_clock::time_point> times();
    //! From now on every call of the callback is late: the input has been closed or dropped.
    void markClosed() { m_closed = true; }
    //! Calls of the callback after markClosed().
    std::size_t lateCalls() const { return m_lateCalls; }

private:
    Bytes m_buffer;
    platform::MidiHeader m_header;
    std::atomic<bool> m_closed{false};
    std::atomic<std::size_t> m_lateCalls{0};
    std::mutex m_mutex;
    // Not a condition variable: in a page the wait must give the event loop
    // the thread, which only the system layer's waits do.
    platform::WakeSignal m_arrived;
    std::vector<Bytes> m_messages;
    std::vector<std::chrono::steady_clock::time_point> m_times;
};
