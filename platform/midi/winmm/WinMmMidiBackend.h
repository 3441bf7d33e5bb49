#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "MidiBackend.h"

namespace platform {

//! The machine's MIDI devices through Windows' multimedia API (WinMM).
//!
//! Devices are listed in WinMM's device order under the product names WinMM
//! gives them. A device number is no identity (it moves when a device comes
//! or goes), so a device is known by its product name and its occurrence
//! among devices of that name; opening checks that the number still names
//! that device.
class WinMmMidiBackend : public MidiBackend {
public:
    std::string backendName() const override { return "WinMM"; }
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

    //! Product names of the output (`output`) or input devices, by device number.
    static std::vector<std::string> productNames(bool output);
    //! Identities for devices of these names, in the same order: the name,
    //! then "#" and its occurrence among devices of that name ("USB MIDI#1").
    static std::vector<std::string> identities(const std::vector<std::string>& names);

private:
    std::vector<MidiDeviceId> devices(bool output) const;
    static MidiResult openOutputAt(std::optional<unsigned> number, const std::string& identity,
                                   std::unique_ptr<MidiOutput>& port);
    static MidiResult openInputAt(std::optional<unsigned> number, const std::string& identity,
                                  MidiInCallback callback, void* instance, std::unique_ptr<MidiInput>& port);
    //! Opens `device` as device `number` and keeps it as `port` only while
    //! that number still names the device with `identity`.
    template <class Device, class Port>
    static MidiResult openChecked(bool output, std::optional<unsigned> number, const std::string& identity,
                                  std::unique_ptr<Device> device, std::unique_ptr<Port>& port);
    //! The device number whose device now has `identity`.
    static std::optional<unsigned> numberOf(bool output, const std::string& identity);
    //! The identity of device `number` now; empty when there is none.
    static std::string identityOf(bool output, unsigned number);
};

}  // namespace platform
