#include "JackEventRing.h"

#include <limits>

namespace platform {

// libjack rounds the size up to a power of two and keeps one byte free; the
// room promised is exactly `bytes` all the same.
JackEventRing::JackEventRing(std::size_t bytes) : m_ring(jack_ringbuffer_create(bytes + 1)), m_room(bytes) {}

JackEventRing::~JackEventRing()
{
    if (m_ring != nullptr)
        jack_ringbuffer_free(m_ring);
}

bool JackEventRing::push(const std::uint8_t* bytes, std::size_t size)
{
    // Seen from the writer the reader's side only shrinks, so this never promises too much.
    if (size > std::numeric_limits<RecordLength>::max() ||
        jack_ringbuffer_read_space(m_ring) + sizeof(RecordLength) + size > m_room)
        return false;
    const auto length = static_cast<RecordLength>(size);
    jack_ringbuffer_write(m_ring, reinterpret_cast<const char*>(&length), sizeof length);
    jack_ringbuffer_write(m_ring, reinterpret_cast<const char*>(bytes), size);
    return true;
}

std::optional<std::size_t> JackEventRing::nextLength() const
{
    RecordLength length = 0;
    const std::size_t available = jack_ringbuffer_read_space(m_ring);
    if (available < sizeof length)
        return std::nullopt;
    jack_ringbuffer_peek(m_ring, reinterpret_cast<char*>(&length), sizeof length);
    if (available < sizeof length + length)
        return std::nullopt;  // the writer is still in the middle of this record
    return length;
}

void JackEventRing::take(void* destination)
{
    RecordLength length = 0;
    jack_ringbuffer_read(m_ring, reinterpret_cast<char*>(&length), sizeof length);
    if (destination != nullptr)
        jack_ringbuffer_read(m_ring, static_cast<char*>(destination), length);
    else
        jack_ringbuffer_read_advance(m_ring, length);
}

}  // namespace platform
