#include "JackClient.h"

#include <jack/midiport.h>

#include <cerrno>

namespace platform {

namespace {

void SilentJackMessage(const char*) {}

// libjack prints "Cannot connect to server socket" and similar on every failed
// open; a program that merely looks for a server must not litter stderr.
class QuietJackMessages {
public:
    QuietJackMessages() : m_error(jack_error_callback), m_info(jack_info_callback)
    {
        jack_set_error_function(&SilentJackMessage);
        jack_set_info_function(&SilentJackMessage);
    }
    ~QuietJackMessages()
    {
        jack_set_error_function(m_error);
        jack_set_info_function(m_info);
    }
    QuietJackMessages(const QuietJackMessages&) = delete;
    QuietJackMessages& operator=(const QuietJackMessages&) = delete;

private:
    void (*m_error)(const char*);
    void (*m_info)(const char*);
};

}  // namespace

std::unique_ptr<JackClient> JackClient::open(const std::string& name, const std::string& serverName,
                                             MidiResult& result)
{
    QuietJackMessages quiet;
    jack_status_t status{};
    // A MIDI tool must never start a server behind the user's back.
    int options = JackNoStartServer;
    jack_client_t* client = nullptr;
    if (serverName.empty()) {
        client = jack_client_open(name.c_str(), static_cast<jack_options_t>(options), &status);
    } else {
        options |= JackServerName;
        client = jack_client_open(name.c_str(), static_cast<jack_options_t>(options), &status, serverName.c_str());
    }
    if (client == nullptr) {
        result = MidiResult::failure(kMidiNoDriver, "No JACK server is running");
        return nullptr;
    }
    result = MidiResult::success();
    return std::unique_ptr<JackClient>(new JackClient(client));
}

JackClient::JackClient(jack_client_t* client) : m_client(client) { jack_on_shutdown(m_client, &onShutdown, this); }

JackClient::~JackClient() { close(); }

std::string JackClient::name() const
{
    if (m_client == nullptr)
        return {};
    return jack_get_client_name(m_client);
}

jack_port_t* JackClient::registerMidiPort(const std::string& shortName, bool output)
{
    if (m_client == nullptr)
        return nullptr;
    return jack_port_register(m_client, shortName.c_str(), JACK_DEFAULT_MIDI_TYPE,
                              output ? JackPortIsOutput : JackPortIsInput, 0);
}

MidiResult JackClient::activate(JackProcessCallback process, void* argument)
{
    if (m_client == nullptr)
        return MidiResult::failure(kMidiInvalidHandle);
    if (jack_set_process_callback(m_client, process, argument) != 0 || jack_activate(m_client) != 0)
        return MidiResult::failure(kMidiNotEnabled, "The JACK server refused to activate " + name());
    m_active = true;
    return MidiResult::success();
}

MidiResult JackClient::connect(const std::string& source, const std::string& destination)
{
    if (m_client == nullptr)
        return MidiResult::failure(kMidiInvalidHandle);
    const int err = jack_connect(m_client, source.c_str(), destination.c_str());
    if (err != 0 && err != EEXIST)
        return MidiResult::failure(kMidiNoDevice, "Cannot connect JACK port " + source + " to " + destination);
    return MidiResult::success();
}

std::vector<std::string> JackClient::midiPorts(unsigned long flags) const
{
    std::vector<std::string> names;
    if (m_client == nullptr)
        return names;
    const char** ports = jack_get_ports(m_client, nullptr, JACK_DEFAULT_MIDI_TYPE, flags);
    if (ports == nullptr)
        return names;
    for (const char** port = ports; *port != nullptr; ++port)
        names.emplace_back(*port);
    jack_free(ports);
    return names;
}

void JackClient::close()
{
    if (m_client == nullptr)
        return;
    if (serverGone()) {
        // No cycle runs once the server is gone. libjack (1.9.x) crashes when a
        // client of a dead server is deactivated or closed after any further
        // failed open, such as the next device listing; the small leak of a
        // dead client is the safe choice.
        m_client = nullptr;
        m_active = false;
        return;
    }
    QuietJackMessages quiet;
    // Deactivation returns only after the last process cycle has finished.
    if (m_active)
        jack_deactivate(m_client);
    jack_client_close(m_client);
    m_client = nullptr;
    m_active = false;
}

std::string JackClient::serverGoneText() { return "The JACK server has shut down"; }

void JackClient::onShutdown(void* argument)
{
    static_cast<JackClient*>(argument)->m_serverGone.store(true, std::memory_order_release);
}

}  // namespace platform
