#pragma once
#include <memory>
#include <string>
#include <vector>

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
};

}  // namespace platform
