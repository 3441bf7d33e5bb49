#include "JackMidiBackend.h"

#include <unistd.h>

#include <algorithm>

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
    return openOutputPort(ports[index], port);
}

MidiResult JackMidiBackend::openInput(std::size_t index, MidiInCallback callback, void* instance,
                                      std::unique_ptr<MidiInput>& port)
{
    const auto ports = inputNames();
    if (index >= ports.size())
        return MidiResult::failure(kMidiBadDevice);
    return openInputPort(ports[index], callback, instance, port);
}

// A port's full name is its identity: connect to it by name, not by its place in a list.
MidiResult JackMidiBackend::openOutputDevice(const std::string& identity, std::unique_ptr<MidiOutput>& port)
{
    if (!listed(outputNames(), identity))
        return MidiResult::failure(kMidiBadDevice);
    return openOutputPort(identity, port);
}

MidiResult JackMidiBackend::openInputDevice(const std::string& identity, MidiInCallback callback, void* instance,
                                            std::unique_ptr<MidiInput>& port)
{
    if (!listed(inputNames(), identity))
        return MidiResult::failure(kMidiBadDevice);
    return openInputPort(identity, callback, instance, port);
}

MidiResult JackMidiBackend::openOutputPort(const std::string& name, std::unique_ptr<MidiOutput>& port) const
{
    return JackMidiOutput::open(m_serverName, ownClientName("out"), name, port);
}

MidiResult JackMidiBackend::openInputPort(const std::string& name, MidiInCallback callback, void* instance,
                                          std::unique_ptr<MidiInput>& port) const
{
    return JackMidiInput::open(m_serverName, ownClientName("in"), name, callback, instance, port);
}

bool JackMidiBackend::listed(const std::vector<std::string>& ports, const std::string& name)
{
    return std::find(ports.begin(), ports.end(), name) != ports.end();
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
