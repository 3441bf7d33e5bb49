#include "JackInstrumentClient.h"

#include <jack/midiport.h>

#include <cstdint>

JackInstrumentClient::JackInstrumentClient(platform::SimulatedInstrument::Config config)
    : m_core(std::move(config))
{
}

JackInstrumentClient::~JackInstrumentClient() { close(); }

platform::MidiResult JackInstrumentClient::open(const std::string& clientName, const std::string& serverName)
{
    if (!m_receiver.valid() || !m_toSend.valid())
        return platform::MidiResult::failure(platform::kMidiNoMemory);
    platform::MidiResult result;
    m_client = platform::JackClient::open(clientName, serverName, result);
    if (!m_client)
        return result;
    m_input = m_client->registerMidiPort("midi_in", false);
    m_output = m_client->registerMidiPort("midi_out", true);
    if (m_input == nullptr || m_output == nullptr)
        return platform::MidiResult::failure(platform::kMidiNotEnabled, "Cannot register the instrument's MIDI ports");
    m_stopRequested = false;
    m_worker = std::thread([this] { workLoop(); });
    return m_client->activate(&JackInstrumentClient::process, this);
}

void JackInstrumentClient::close()
{
    // The worker first: when the instrument vanishes, it is the worker that
    // pulls the cable through the client, which must not be closed meanwhile.
    m_stopRequested = true;
    if (m_worker.joinable()) {
        m_receiver.wake();
        m_worker.join();
    }
    if (m_client)
        m_client->close();  // no cycle touches the rings after this
}

std::string JackInstrumentClient::inputPortName() const { return m_input ? jack_port_name(m_input) : ""; }

std::string JackInstrumentClient::outputPortName() const { return m_output ? jack_port_name(m_output) : ""; }

bool JackInstrumentClient::serverGone() const { return m_client && m_client->serverGone(); }

void JackInstrumentClient::preload(const std::vector<std::uint16_t>& words) { m_core.preload(words); }

std::vector<std::uint16_t> JackInstrumentClient::flash() const { return m_core.flash(); }

platform::SimulatedInstrument::Statistics JackInstrumentClient::statistics() const { return m_core.statistics(); }

int JackInstrumentClient::process(jack_nframes_t frames, void* argument)
{
    auto* self = static_cast<JackInstrumentClient*>(argument);
    // A full ring loses events, as a real instrument's UART would.
    self->m_receiver.receive(self->m_input, frames);
    self->sendEvents(frames);
    return 0;
}

void JackInstrumentClient::sendEvents(jack_nframes_t frames)
{
    void* buffer = jack_port_get_buffer(m_output, frames);
    jack_midi_clear_buffer(buffer);
    bool written = false;
    while (const auto length = m_toSend.nextLength()) {
        jack_midi_data_t* event = jack_midi_event_reserve(buffer, 0, *length);
        if (event == nullptr && written)
            return;  // this cycle is full; the rest goes in the next one
        m_toSend.take(event);  // null: larger than any cycle can carry, so dropped
        written = written || event != nullptr;
    }
}

void JackInstrumentClient::workLoop()
{
    const auto onMessage = [this](const std::uint8_t* message, std::size_t length) {
        if (m_core.receive(message, length))
            vanish();
    };
    while (!m_stopRequested.load()) {
        m_receiver.waitForEvents(
            m_core.timeToNextReply(InstrumentCore::Clock::now(), platform::JackMidiReceiver::kWakeInterval));
        m_receiver.assemble(onMessage);
        queueDueReplies();
    }
}

void JackInstrumentClient::queueDueReplies()
{
    while (const auto* reply = m_core.dueReply(InstrumentCore::Clock::now())) {
        if (!m_toSend.push(reply->data(), reply->size()))
            return;  // the callback has not caught up; try again on the next round
        m_core.popReply();
    }
}

void JackInstrumentClient::vanish()
{
    // Like a cable pulled out: every connection of both ports goes, so the
    // updater's sends fail and its reads time out.
    if (m_client && !m_client->serverGone()) {
        jack_port_disconnect(m_client->handle(), m_input);
        jack_port_disconnect(m_client->handle(), m_output);
    }
}
