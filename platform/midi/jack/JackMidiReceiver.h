#pragma once
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <semaphore>
#include <vector>

#include <jack/types.h>

#include "JackEventRing.h"
#include "SysExAssembler.h"

namespace platform {

//! The receiving half of a JACK MIDI port: the process callback queues each
//! incoming event in a lock-free ring, and a reader thread of the owner
//! assembles the queued events into System Exclusive messages, so nothing
//! slow runs in the real-time cycle.
//!
//! When the ring is full an event is lost. The reader then drops the message
//! it was assembling, at the place of the loss in the stream, so a message
//! that lost a piece is never delivered as a shorter one that looks whole.
class JackMidiReceiver {
public:
    //! Bytes of the ring: several of the longest (4101-byte) messages.
    static constexpr std::size_t kRingBytes = 64 * 1024;
    //! Longest sleep of a reader between looks at its stop request.
    static constexpr std::chrono::milliseconds kWakeInterval{50};

    explicit JackMidiReceiver(std::size_t ringBytes = kRingBytes);

    //! False when the ring could not be allocated; nothing else may be called then.
    bool valid() const { return m_ring.valid(); }

    //! Process callback: queues every event of `port` in this cycle and wakes the reader.
    void receive(jack_port_t* port, jack_nframes_t frames);
    //! Process callback: queues one event; false (and counted) when the ring
    //! had no room. Lone real-time bytes are left out and count as queued.
    bool queue(const std::uint8_t* bytes, std::size_t size);

    //! Reader: waits until events were queued, wake() was called or `timeout` passed.
    void waitForEvents(std::chrono::milliseconds timeout);
    //! Wakes the reader, e.g. to let it see a stop request.
    void wake();
    //! Reader: assembles everything queued; calls `onMessage` once per complete message.
    void assemble(const SysExAssembler::MessageHandler& onMessage);
    //! Reader (or anyone while no reader runs): forgets the queued events and
    //! the message in progress.
    void discard();

    //! Events lost because the reader fell behind and the ring was full.
    std::size_t overruns() const { return m_overruns.load(std::memory_order_relaxed); }

private:
    bool push(const std::uint8_t* bytes, std::size_t size);

    JackEventRing m_ring;
    // An empty record in the ring marks where events were lost; the callback
    // writes it before the next event that fits.
    bool m_lossPending = false;  // callback only
    std::atomic<std::size_t> m_overruns{0};
    // Released only when m_wakePending turns from false to true, and cleared
    // by the reader only after acquiring, so the count never exceeds one.
    std::binary_semaphore m_wake{0};
    std::atomic<bool> m_wakePending{false};
    SysExAssembler m_assembler;    // reader only
    std::vector<std::uint8_t> m_event;  // reader only
};

}  // namespace platform
