#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "MidiBackend.h"
#include "WinMmApi.h"
#include "WinMmSystemApi.h"

namespace platform {

//! The machine's MIDI devices through Windows' multimedia API (WinMM).
//!
//! Devices are listed in WinMM's device order under the product names WinMM
//! gives them. A device number is no identity: the numbers close up when a
//! device goes and a device plugged in again comes last. Nor is the name
//! quite: Windows MIDI Services lists a device plugged in again as
//! "2- <name>", then "3- <name>" (tracker issue 1224). So a device is known
//! by its name without such "N- " prefixes and its occurrence among the
//! devices listed under that name ("USB MIDI#1"); opening looks the identity
//! up anew and checks that the number still names that device. Of two
//! devices of the same name, which is which follows their order in the list.
class WinMmMidiBackend : public MidiBackend {
public:
    //! Devices as `api` lists them; the product's are winmm.dll's.
    explicit WinMmMidiBackend(std::shared_ptr<WinMmApi> api = WinMmSystemApi::instance());

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

    //! A listed name without the "N- " prefixes Windows MIDI Services puts before a re-plugged device's.
    static std::string baseName(const std::string& name);
    //! Identities for devices of these names, in the same order: the base
    //! name, then "#" and its occurrence among devices of that base name ("USB MIDI#1").
    static std::vector<std::string> identities(const std::vector<std::string>& names);

private:
    //! Product names of the output (`output`) or input devices, by device number.
    static std::vector<std::string> productNames(WinMmApi& api, bool output);
    std::vector<MidiDeviceId> devices(bool output) const;
    MidiResult openOutputAt(std::optional<unsigned> number, const std::string& identity,
                            std::unique_ptr<MidiOutput>& port);
    MidiResult openInputAt(std::optional<unsigned> number, const std::string& identity, MidiInCallback callback,
                           void* instance, std::unique_ptr<MidiInput>& port);
    //! Opens `device` as device `number` and keeps it as `port` only while
    //! that number still names the device with `identity`.
    template <class Device, class Port>
    MidiResult openChecked(bool output, std::optional<unsigned> number, const std::string& identity,
                           std::unique_ptr<Device> device, std::unique_ptr<Port>& port);
    //! The device number whose device now has `identity`.
    static std::optional<unsigned> numberOf(WinMmApi& api, bool output, const std::string& identity);
    //! The identity of device `number` now; empty when there is none.
    std::string identityOf(bool output, unsigned number) const;

    std::shared_ptr<WinMmApi> m_api;
};

}  // namespace platform
