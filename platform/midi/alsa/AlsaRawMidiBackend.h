#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AlsaRawMidiPort.h"
#include "MidiBackend.h"

typedef struct _snd_rawmidi snd_rawmidi_t;

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
    std::vector<MidiDeviceId> outputDevices() override;
    std::vector<MidiDeviceId> inputDevices() override;
    MidiResult openOutputDevice(const std::string& identity, std::unique_ptr<MidiOutput>& port) override;
    MidiResult openInputDevice(const std::string& identity, MidiInCallback callback, void* instance,
                               std::unique_ptr<MidiInput>& port) override;

    //! Raw MIDI subdevices of every card that can send (`output`) or receive.
    static std::vector<AlsaRawMidiPort> listPorts(bool output);

private:
    std::vector<MidiDeviceId> devices(bool output) const;
    static MidiResult openOutputAt(const std::vector<AlsaRawMidiPort>& ports, std::optional<std::size_t> index,
                                   std::unique_ptr<MidiOutput>& port);
    static MidiResult openInputAt(const std::vector<AlsaRawMidiPort>& ports, std::optional<std::size_t> index,
                                  MidiInCallback callback, void* instance, std::unique_ptr<MidiInput>& port);
    //! Opens exactly `ports[index]` in one direction (kMidiBadDevice when it
    //! is not there); `handle` is the open subdevice.
    static MidiResult openPort(const std::vector<AlsaRawMidiPort>& ports, std::optional<std::size_t> index,
                               bool output, snd_rawmidi_t*& handle);
};

}  // namespace platform
