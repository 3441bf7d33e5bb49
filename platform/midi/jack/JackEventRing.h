#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>

#include <jack/ringbuffer.h>

namespace platform {

//! A lock-free queue of whole MIDI events between a JACK process callback and
//! one thread of ours: one side pushes, the other takes, neither ever blocks.
//! Each record is the event's length (4 bytes) followed by its bytes; an
//! event of no bytes is a record too.
class JackEventRing {
public:
    //! Room for `bytes` of records (lengths included).
    explicit JackEventRing(std::size_t bytes);
    ~JackEventRing();
    JackEventRing(const JackEventRing&) = delete;
    JackEventRing& operator=(const JackEventRing&) = delete;

    //! False when the ring could not be allocated; nothing else may be called then.
    bool valid() const { return m_ring != nullptr; }

    //! Writer side: appends one event whole, or nothing (returning false) when it does not fit.
    bool push(const std::uint8_t* bytes, std::size_t size);
    //! Reader side: the length of the next event once all of it has arrived.
    std::optional<std::size_t> nextLength() const;
    //! Reader side: moves the next event (nextLength() bytes) to `destination`,
    //! or drops it when `destination` is null. Only after nextLength() gave a value.
    void take(void* destination);

private:
    using RecordLength = std::uint32_t;

    jack_ringbuffer_t* m_ring = nullptr;
    std::size_t m_room = 0;
};

}  // namespace platform
