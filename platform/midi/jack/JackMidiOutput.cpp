#include "JackMidiOutput.h"

#include <jack/midiport.h>

#include <chrono>

namespace platform {

namespace {

constexpr const char* kOutputPortName = "midi_out";

}  // namespace

MidiResult JackMidiOutput::open(const std::string& serverName, const std::string& clientName,
                                const std::string& destination, std::unique_ptr<MidiOutput>& port)
{
    MidiResult result;
    auto client = JackClient::open(clientName, serverName, result);
    if (!client)
        return result;
    jack_port_t* own = client->registerMidiPort(kOutputPortName, true);
    if (own == nullptr)
        return MidiResult::failure(kMidiNotEnabled, "Cannot register a JACK MIDI output port");
    std::unique_ptr<JackMidiOutput> output(new JackMidiOutput(std::move(client), own, destination));
    result = output->m_client->activate(&JackMidiOutput::process, output.get());
    if (!result.ok())
        return result;
    result = output->m_client->connect(jack_port_name(own), destination);
    if (!result.ok())
        return result;
    port = std::move(output);
    return MidiResult::success();
}

JackMidiOutput::JackMidiOutput(std::unique_ptr<JackClient> client, jack_port_t* port, std::string destination)
    : m_client(std::move(client)), m_port(port), m_destination(std::move(destination))
{
    // The longest protocol message is 4101 bytes; grow once, not per send.
    m_message.reserve(8192);
}

JackMidiOutput::~JackMidiOutput() { release(); }

MidiResult JackMidiOutput::sendSysEx(const std::uint8_t* message, std::size_t length)
{
    return sendInSteps(message, length);
}

MidiResult JackMidiOutput::startSysEx(const std::uint8_t* message, std::size_t length)
{
    if (!m_client || m_broken)
        return MidiResult::failure(kMidiInvalidHandle);
    if (message == nullptr || length == 0)
        return MidiResult::failure(kMidiInvalidParam);
    if (m_client->serverGone())
        return MidiResult::failure(kMidiNoDriver, JackClient::serverGoneText());
    if (jack_port_connected(m_port) <= 0)
        return failure(kMidiNoDevice, "is no longer connected");

    m_message.assign(message, message + length);
    m_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kCycleTimeoutMs);
    m_sending = true;
    m_state.store(Pending, std::memory_order_release);
    return MidiResult::success();
}

MidiResult JackMidiOutput::sendState()
{
    if (!m_sending)
        return m_lastResult;
    const int outcome = cycleOutcome();
    if (outcome == Pending || outcome == Writing)
        return MidiResult::failure(kMidiStillPlaying);
    m_state.store(Idle, std::memory_order_release);
    m_sending = false;
    m_lastResult = resultOf(outcome);
    return m_lastResult;
}

void JackMidiOutput::waitSent(std::chrono::microseconds timeout)
{
    // Taken before the look at the state: a cycle finishing in between still ends the wait.
    const std::uint32_t seen = m_cycleDone.generation();
    const int state = m_state.load(std::memory_order_acquire);
    if (m_sending && (state == Pending || state == Writing))
        m_cycleDone.waitFor(seen, timeout);
}

MidiResult JackMidiOutput::close()
{
    if (!m_client)
        return MidiResult::failure(kMidiInvalidHandle);
    // The look ends the send once a cycle has taken the message, the server
    // has gone or the cycle time-out has passed.
    if (sendState().code == kMidiStillPlaying)
        return MidiResult::failure(kMidiStillPlaying);
    release();
    return MidiResult::success();
}

void JackMidiOutput::release()
{
    if (m_client)
        m_client->close();  // no process cycle runs after this
    m_client.reset();
    m_sending = false;
}

int JackMidiOutput::process(jack_nframes_t frames, void* argument)
{
    static_cast<JackMidiOutput*>(argument)->processCycle(frames);
    return 0;
}

void JackMidiOutput::processCycle(jack_nframes_t frames)
{
    void* buffer = jack_port_get_buffer(m_port, frames);
    jack_midi_clear_buffer(buffer);
    int expected = Pending;
    if (!m_state.compare_exchange_strong(expected, Writing, std::memory_order_acquire))
        return;
    const std::size_t room = jack_midi_max_event_size(buffer);
    if (room < m_message.size()) {
        m_maxEventSize.store(room);
        m_state.store(TooLarge, std::memory_order_release);
    } else {
        // One event holds the whole message, so the receiver gets it in one piece.
        const int err = jack_midi_event_write(buffer, 0, m_message.data(), m_message.size());
        m_state.store(err == 0 ? Written : WriteFailed, std::memory_order_release);
    }
    m_cycleDone.notify();  // lock-free: a futex wake at most
}

int JackMidiOutput::cycleOutcome()
{
    const int state = m_state.load(std::memory_order_acquire);
    if (state != Pending && state != Writing)
        return state;
    const auto now = std::chrono::steady_clock::now();
    if (!m_client->serverGone() && now < m_deadline)
        return state;
    int expected = Pending;
    if (m_state.compare_exchange_strong(expected, Idle, std::memory_order_acq_rel))
        return Idle;  // withdrawn before any cycle saw it
    if (expected == Writing && now >= m_deadline + std::chrono::milliseconds(kCycleTimeoutMs)) {
        m_broken = true;  // a cycle froze inside the write: never touch the buffer again
        return Idle;
    }
    return expected;
}

MidiResult JackMidiOutput::resultOf(int outcome) const
{
    switch (outcome) {
    case Written: return MidiResult::success();
    case TooLarge:
        return failure(kMidiInvalidParam, "cannot take a message of " + std::to_string(m_message.size()) +
                                              " bytes (the JACK MIDI buffer holds at most " +
                                              std::to_string(m_maxEventSize.load()) + ")");
    case WriteFailed: return failure(kMidiError, "refused the message");
    default:
        if (m_client->serverGone())
            return MidiResult::failure(kMidiNoDriver, JackClient::serverGoneText());
        return failure(kMidiNotReady, "was not served by the JACK server within " +
                                          std::to_string(kCycleTimeoutMs) + " ms");
    }
}

MidiResult JackMidiOutput::failure(int code, const std::string& why) const
{
    return MidiResult::failure(code, "JACK MIDI output to " + m_destination + " " + why);
}

}  // namespace platform
