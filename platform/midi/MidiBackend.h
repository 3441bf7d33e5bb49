#pragma once
#include <memory>
#include <string>
#include <vector>

#include "MidiDeviceId.h"
#include "MidiInput.h"
#include "MidiOutput.h"

namespace platform {

//! One source of MIDI devices (ALSA raw MIDI, JACK, the simulated instrument).
//! Device lists are read anew on every call, so devices may come and go.
class MidiBackend {
public:
    virtual ~MidiBackend() = default;

    //! Short name of the backend for diagnostics.
    virtual std::string backendName() const = 0;

    //! Names of the output devices, in device order.
    virtual std::vector<std::string> outputNames() = 0;
    //! Names of the input devices, in device order.
    virtual std::vector<std::string> inputNames() = 0;

    //! Opens output `index` of this backend.
    virtual MidiResult openOutput(std::size_t index, std::unique_ptr<MidiOutput>& port) = 0;
    //! Opens input `index` of this backend; completed SysEx buffers go to `callback`.
    virtual MidiResult openInput(std::size_t index, MidiInCallback callback, void* instance,
                                 std::unique_ptr<MidiInput>& port) = 0;

    //! The output devices with their identities, in device order, from one
    //! look at the machine. By default a device's name is its identity.
    virtual std::vector<MidiDeviceId> outputDevices();
    //! The input devices with their identities, in device order.
    virtual std::vector<MidiDeviceId> inputDevices();
    //! Opens exactly the output with `identity`; kMidiBadDevice when it is not there.
    virtual MidiResult openOutputDevice(const std::string& identity, std::unique_ptr<MidiOutput>& port);
    //! Opens exactly the input with `identity`; kMidiBadDevice when it is not there.
    virtual MidiResult openInputDevice(const std::string& identity, MidiInCallback callback, void* instance,
                                       std::unique_ptr<MidiInput>& port);

protected:
    //! Devices whose names are their identities.
    std::vector<MidiDeviceId> devicesNamed(const std::vector<std::string>& names) const;
};

}  // namespace platform
