#pragma once
#include <memory>
#include <string>
#include <vector>

#include "MidiBackend.h"

namespace platform {

//! Keeps the ports of `ports` (full "client:port" names) that do not belong
//! to a client whose name starts with `ownPrefix`.
std::vector<std::string> ForeignJackPorts(const std::vector<std::string>& ports, const std::string& ownPrefix);

//! The MIDI ports of other JACK clients. Outputs are the ports we can write
//! to, inputs the ports we can read from; the updater's own ports are left
//! out. Opening one registers a port of ours and connects it. Without a
//! running server there are no devices, and no server is ever started.
class JackMidiBackend : public MidiBackend {
public:
    //! `serverName` empty: the default server (or JACK_DEFAULT_SERVER).
    explicit JackMidiBackend(std::string serverName = {});

    std::string backendName() const override { return "JACK"; }
    std::vector<std::string> outputNames() override;
    std::vector<std::string> inputNames() override;
    MidiResult openOutput(std::size_t index, std::unique_ptr<MidiOutput>& port) override;
    MidiResult openInput(std::size_t index, MidiInCallback callback, void* instance,
                         std::unique_ptr<MidiInput>& port) override;
    MidiResult openOutputDevice(const std::string& identity, std::unique_ptr<MidiOutput>& port) override;
    MidiResult openInputDevice(const std::string& identity, MidiInCallback callback, void* instance,
                               std::unique_ptr<MidiInput>& port) override;

    //! Every client this program opens is named with this prefix, then its
    //! process id and its role ("-1234-out").
    static constexpr const char* kClientPrefix = "vantrel-updater";

private:
    std::vector<std::string> foreignPorts(unsigned long flags) const;
    MidiResult openOutputPort(const std::string& name, std::unique_ptr<MidiOutput>& port) const;
    MidiResult openInputPort(const std::string& name, MidiInCallback callback, void* instance,
                             std::unique_ptr<MidiInput>& port) const;
    static bool listed(const std::vector<std::string>& ports, const std::string& name);

    std::string m_serverName;
};

}  // namespace platform
