#include "JackMidiInput.h"

namespace platform {

namespace {

constexpr const char* kInputPortName = "midi_in";

}  // namespace

MidiResult JackMidiInput::open(const std::string& serverName, const std::string& clientName, const std::string& source,
                               MidiInCallback callback, void* instance, std::unique_ptr<MidiInput>& port)
{
    std::unique_ptr<JackMidiInput> input(new JackMidiInput(callback, instance));
    if (!input->m_receiver.valid())
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

JackMidiInput::JackMidiInput(MidiInCallback callback, void* instance) : MidiInput(callback, instance) {}

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
    m_receiver.discard();  // what came before the start belongs to nobody
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
        m_receiver.wake();
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
    if (m_listening.load(std::memory_order_acquire))
        m_receiver.receive(m_port, frames);
}

void JackMidiInput::readLoop()
{
    const auto deliver = [this](const std::uint8_t* message, std::size_t length) { deliverSysEx(message, length); };
    while (!m_stopRequested.load()) {
        m_receiver.waitForEvents(JackMidiReceiver::kWakeInterval);
        if (m_stopRequested.load())
            break;
        m_receiver.assemble(deliver);
    }
}

}  // namespace platform
