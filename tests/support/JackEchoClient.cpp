#include "JackEchoClient.h"

#include <jack/midiport.h>

JackEchoClient::JackEchoClient(const std::string& serverName)
{
    platform::MidiResult result;
    m_client = platform::JackClient::open("echo", serverName, result);
    if (!m_client)
        return;
    m_in = m_client->registerMidiPort("in", false);
    m_out = m_client->registerMidiPort("out", true);
    if (ok() && !m_client->activate(&JackEchoClient::process, this).ok())
        m_client.reset();
}

std::vector<std::vector<std::uint8_t>> JackEchoClient::received(std::size_t count, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const std::uint32_t seen = m_wake.generation();
        takeEchoed();
        const auto now = std::chrono::steady_clock::now();
        if (m_received.size() >= count || now >= deadline)
            return m_received;
        m_wake.waitFor(seen, std::chrono::duration_cast<std::chrono::microseconds>(deadline - now));
    }
}

void JackEchoClient::takeEchoed()
{
    while (const auto length = m_echoed.nextLength()) {
        std::vector<std::uint8_t> event(*length);
        m_echoed.take(event.data());
        m_received.push_back(std::move(event));
    }
}

int JackEchoClient::process(jack_nframes_t frames, void* argument)
{
    auto* self = static_cast<JackEchoClient*>(argument);
    void* in = jack_port_get_buffer(self->m_in, frames);
    void* out = jack_port_get_buffer(self->m_out, frames);
    jack_midi_clear_buffer(out);
    const jack_nframes_t count = jack_midi_get_event_count(in);
    for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, in, i) != 0)
            continue;
        jack_midi_event_write(out, event.time, event.buffer, event.size);
        self->m_echoed.push(event.buffer, event.size);
    }
    if (count > 0)
        self->m_wake.notify();
    return 0;
}
