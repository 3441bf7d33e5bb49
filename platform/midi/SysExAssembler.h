#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace platform {

//! Collects complete System Exclusive messages (F0 ... F7) from a raw MIDI
//! byte stream that may arrive in pieces of any size.
//!
//! Real-time bytes (0xF8-0xFF) may legally appear inside a message and are
//! dropped without breaking it. Any other status byte ends a message in
//! progress without completing it (0xF0 starts a new one). Bytes outside a
//! message are ignored. A message longer than kMaxMessageLength is dropped
//! whole, and the stream is skipped up to the next 0xF0, so a runaway sender
//! cannot grow the buffer.
class SysExAssembler {
public:
    //! Longest message kept. The longest the protocol sends is 4101 bytes.
    static constexpr std::size_t kMaxMessageLength = 8192;

    //! Receives one complete message, F0 and F7 included.
    using MessageHandler = std::function<void(const std::uint8_t* message, std::size_t length)>;

    SysExAssembler();

    //! Feeds a piece of the stream; calls `onMessage` once per completed message.
    void feed(const std::uint8_t* bytes, std::size_t length, const MessageHandler& onMessage);
    //! Forgets any message in progress (e.g. after the link was interrupted).
    void reset();

    //! True while a message has begun and not yet ended.
    bool inMessage() const { return m_state == State::Collecting; }
    //! Number of messages begun but dropped (interrupted or too long).
    std::size_t droppedMessages() const { return m_dropped; }

private:
    enum class State { Idle, Collecting, SkippingOversized };

    void handleStatus(std::uint8_t status, const MessageHandler& onMessage);
    void handleData(std::uint8_t data);
    void dropMessage(State next);

    std::vector<std::uint8_t> m_message;
    State m_state = State::Idle;
    std::size_t m_dropped = 0;
};

}  // namespace platform
