#include "JackMidiReceiver.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include "MidiBytes.h"

namespace platform {

JackMidiReceiver::JackMidiReceiver(std::size_t ringBytes) : m_ring(ringBytes)
{
    // Reserved once, so the reader never allocates.
    m_event.reserve(ringBytes);
}

void JackMidiReceiver::receive(jack_port_t* port, jack_nframes_t frames)
{
    void* buffer = jack_port_get_buffer(port, frames);
    const jack_nframes_t count = jack_midi_get_event_count(buffer);
    bool queued = false;
    for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) == 0)
            queued = queue(event.buffer, event.size) || queued;
    }
    if (queued)
        wake();
}

bool JackMidiReceiver::queue(const std::uint8_t* bytes, std::size_t size)
{
    if (bytes == nullptr || size == 0 || (size == 1 && IsRealTimeByte(bytes[0])))
        return false;  // clock and active sensing would only fill the ring
    if (m_lossPending && !push(bytes, 0))
        return false;
    m_lossPending = false;
    return push(bytes, size);
}

bool JackMidiReceiver::push(const std::uint8_t* bytes, std::size_t size)
{
    if (m_ring.push(bytes, size))
        return true;
    m_lossPending = true;
    m_overruns.fetch_add(1, std::memory_order_relaxed);
    return false;
}

void JackMidiReceiver::waitForEvents(std::chrono::milliseconds timeout)
{
    // An exchange, not a store: a plain store may pass the ring read that
    // follows it, so a record written just then would wait a whole interval.
    if (m_wake.try_acquire_for(timeout))
        m_wakePending.exchange(false, std::memory_order_acq_rel);
}

void JackMidiReceiver::wake()
{
    if (!m_wakePending.exchange(true, std::memory_order_acq_rel))
        m_wake.release();
}

void JackMidiReceiver::assemble(const SysExAssembler::MessageHandler& onMessage)
{
    while (const auto length = m_ring.nextLength()) {
        m_event.resize(*length);
        m_ring.take(m_event.data());
        if (m_event.empty())
            m_assembler.reset();  // events were lost here: the message they belonged to is gone
        else
            m_assembler.feed(m_event.data(), m_event.size(), onMessage);
    }
}

void JackMidiReceiver::discard()
{
    while (m_ring.nextLength())
        m_ring.take(nullptr);
    m_assembler.reset();
}

}  // namespace platform
