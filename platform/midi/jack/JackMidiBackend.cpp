#include "JackMidiBackend.h"

#include <unistd.h>

#include "JackClient.h"
#include "JackMidiInput.h"
#include "JackMidiOutput.h"

namespace platform {

namespace {

// Each process names its clients after itself, so updaters running side by
// side on one server never share a name.
std::string ownClientName(const std::string& role)
{
    return std::string(JackMidiBackend::kClientPrefix) + "-" + std::to_string(::getpid()) + "-" + role;
}

}  // namespace

std::vector<std::string> ForeignJackPorts(const std::vector<std::string>& ports, const std::string& ownPrefix)
{
    std::vector<std::string> foreign;
    for (const auto& port : ports) {
        const std::string client = port.substr(0, port.find(':'));
        if (client.compare(0, ownPrefix.size(), ownPrefix) != 0)
            foreign.push_back(port);
    }
    return foreign;
}

JackMidiBackend::JackMidiBackend(std::string serverName) : m_serverName(std::move(serverName)) {}

std::vector<std::string> JackMidiBackend::outputNames() { return foreignPorts(JackPortIsInput); }

std::vector<std::string> JackMidiBackend::inputNames() { return foreignPorts(JackPortIsOutput); }

MidiResult JackMidiBackend::openOutput(std::size_t index, std::unique_ptr<MidiOutput>& port)
{
    const auto ports = outputNames();
    if (index >= ports.size())
        return MidiResult::failure(kMidiBadDevice);
    return JackMidiOutput::open(m_serverName, ownClientName("out"), ports[index], port);
}

MidiResult JackMidiBackend::openInput(std::size_t index, MidiInCallback callback, void* instance,
                                      std::unique_ptr<MidiInput>& port)
{
    const auto ports = inputNames();
    if (index >= ports.size())
        return MidiResult::failure(kMidiBadDevice);
    return JackMidiInput::open(m_serverName, ownClientName("in"), ports[index], callback, instance,
                               port);
}

std::vector<std::string> JackMidiBackend::foreignPorts(unsigned long flags) const
{
    MidiResult result;
    // A short-lived client per listing: the server may have come or gone since.
    auto probe = JackClient::open(ownClientName("probe"), m_serverName, result);
    if (!probe)
        return {};
    return ForeignJackPorts(probe->midiPorts(flags), kClientPrefix);
}

}  // namespace platform
