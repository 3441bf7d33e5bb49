#pragma once
#include <memory>
#include <string>
#include <vector>

#include "MidiBackend.h"
#include "WebMidiPorts.h"

namespace platform {

//! The browser's MIDI ports (Web MIDI), as the page lists them: devices are
//! known by their port id, which stays with a device while the page is open,
//! so a device chosen in the page is found again wherever it stands in the
//! list. Before the page has been let use MIDI, the lists are empty.
class WebMidiBackend : public MidiBackend {
public:
    std::string backendName() const override;
    std::vector<std::string> outputNames() override;
    std::vector<std::string> inputNames() override;
    MidiResult openOutput(std::size_t index, std::unique_ptr<MidiOutput>& port) override;
    MidiResult openInput(std::size_t index, MidiInCallback callback, void* instance,
                         std::unique_ptr<MidiInput>& port) override;
    std::vector<MidiDeviceId> outputDevices() override;
    std::vector<MidiDeviceId> inputDevices() override;
    MidiResult openOutputDevice(const std::string& identity, std::unique_ptr<MidiOutput>& port) override;
    MidiResult openInputDevice(const std::string& identity, MidiInCallback callback, void* instance,
                               std::unique_ptr<MidiInput>& port) override;

private:
    std::vector<MidiDeviceId> devices(WebMidiPorts::Kind kind) const;
    //! Opens port `identity` of `kind`: kMidiBadDevice when it is not listed,
    //! kMidiAllocated with the browser's reason when it will not open.
    MidiResult open(WebMidiPorts::Kind kind, const std::string& identity, std::string& name) const;
};

}  // namespace platform
