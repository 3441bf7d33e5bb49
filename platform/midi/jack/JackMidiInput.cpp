#include "JackMidiInput.h"

#include <jack/midiport.h>

#include <chrono>
#include <cstdint>

namespace platform {

namespace {

constexpr const char* kInputPortName = "midi_in";
constexpr std::uint8_t kFirstRealTime = 0xF8;

}  // namespace

MidiResult JackMidiInput::open(const std::string& serverName, const std::string& clientName, const std::string& source,
                               MidiInCallback callback, void* instance, std::unique_ptr<MidiInput>& port)
{
    std::unique_ptr<JackMidiInput> input(new JackMidiInput(callback, instance));
    if (!input->m_ring.valid())
        return MidiResult::failure(kMidiNoMemory);
    MidiResult result;
    input->m_client = JackClient::open(clientName, serverName, result);
    if (!input->m_client)
        return result;
    input->m_port = input->m_client->registerMidiPort(kInputPortName, false);
    if (input->m_port == nullptr)
        return MidiResult::failure(kMidiNotEnabled, "Cannot register a JACK MIDI input port");
    result = input->m_client->activate(&JackMidiInput::process, input.get());
    if (!result.ok())
        return result;
    result = input->m_client->connect(source, jack_port_name(input->m_port));
    if (!result.ok())
        return result;
    port = std::move(input);
    return MidiResult::success();
}

JackMidiInput::JackMidiInput(MidiInCallback callback, void* instance) : MidiInput(callback, instance)
{
    m_event.reserve(kRingBytes);
}

JackMidiInput::~JackMidiInput()
{
    stopDevice();
    if (m_client)
        m_client->close();  // the process callback is over before the ring goes
}

MidiResult JackMidiInput::startDevice()
{
    if (!m_client)
        return MidiResult::failure(kMidiInvalidHandle);
    stopDevice();
    drainRing(false);  // what came before the start belongs to nobody
    m_assembler.reset();
    m_stopRequested = false;
    m_listening.store(true, std::memory_order_release);
    m_reader = std::thread([this] { readLoop(); });
    return MidiResult::success();
}

void JackMidiInput::stopDevice()
{
    m_listening.store(false, std::memory_order_release);
    m_stopRequested = true;
    if (m_reader.joinable()) {
        wakeReader();
        m_reader.join();
    }
}

int JackMidiInput::process(jack_nframes_t frames, void* argument)
{
    static_cast<JackMidiInput*>(argument)->processCycle(frames);
    return 0;
}

void JackMidiInput::processCycle(jack_nframes_t frames)
{
    if (!m_listening.load(std::memory_order_acquire))
        return;
    void* buffer = jack_port_get_buffer(m_port, frames);
    const jack_nframes_t count = jack_midi_get_event_count(buffer);
    bool queued = false;
    for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) != 0 || event.size == 0)
            continue;
        if (event.size == 1 && event.buffer[0] >= kFirstRealTime)
            continue;  // clock and active sensing would only fill the ring
        if (!m_ring.push(event.buffer, event.size)) {
            m_overruns.fetch_add(1, std::memory_order_relaxed);
            continue;
        }
        queued = true;
    }
    if (queued)
        wakeReader();
}

void JackMidiInput::wakeReader()
{
    if (!m_wakePending.exchange(true, std::memory_order_acq_rel))
        m_wake.release();
}

void JackMidiInput::readLoop()
{
    while (!m_stopRequested.load()) {
        // An exchange, not a store: a plain store may pass the ring read that
        // follows it, so a record written just then would wait a whole interval.
        if (m_wake.try_acquire_for(std::chrono::milliseconds(kWakeIntervalMs)))
            m_wakePending.exchange(false, std::memory_order_acq_rel);
        if (m_stopRequested.load())
            break;
        drainRing(true);
    }
}

void JackMidiInput::drainRing(bool deliver)
{
    const auto onMessage = [this](const std::uint8_t* message, std::size_t length) { deliverSysEx(message, length); };
    while (const auto length = m_ring.nextLength()) {
        m_event.resize(*length);
        m_ring.take(m_event.data());
        if (deliver)
            m_assembler.feed(m_event.data(), m_event.size(), onMessage);
    }
}

}  // namespace platform
