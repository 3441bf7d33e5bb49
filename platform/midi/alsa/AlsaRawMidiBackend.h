#pragma once
#include <memory>
#include <string>
#include <vector>

#include "AlsaRawMidiPort.h"
#include "MidiBackend.h"

namespace platform {

//! The machine's hardware MIDI ports through ALSA's raw MIDI interface.
//!
//! Raw MIDI rather than the sequencer: the sequencer's kernel side splits or
//! drops System Exclusive messages larger than its 4 KiB event pool, and a
//! data message of the protocol is 4101 bytes. Raw MIDI moves plain bytes.
//! A machine without sound cards lists no devices and prints nothing.
class AlsaRawMidiBackend : public MidiBackend {
public:
    AlsaRawMidiBackend();

    std::string backendName() const override { return "ALSA raw MIDI"; }
    std::vector<std::string> outputNames() override;
    std::vector<std::string> inputNames() override;
    MidiResult openOutput(std::size_t index, std::unique_ptr<MidiOutput>& port) override;
    MidiResult openInput(std::size_t index, MidiInCallback callback, void* instance,
                         std::unique_ptr<MidiInput>& port) override;

    //! Raw MIDI subdevices of every card that can send (`output`) or receive.
    static std::vector<AlsaRawMidiPort> listPorts(bool output);
};

}  // namespace platform
