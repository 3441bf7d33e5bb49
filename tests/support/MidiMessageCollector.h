#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "MidiInput.h"

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
    //! Takes the buffer back and closes the input.
    void detach(platform::MidiInput& input);
    //! True once `count` messages have arrived; false when `limit` passed first.
    bool waitFor(std::size_t count, std::chrono::milliseconds limit = kArrivalLimit);
    std::vector<Bytes> messages();

private:
    Bytes m_buffer;
    platform::MidiHeader m_header;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<Bytes> m_messages;
};
