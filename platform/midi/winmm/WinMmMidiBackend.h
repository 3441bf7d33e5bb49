#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "MidiBackend.h"
#include "WinMmApi.h"
#include "WinMmDeviceList.h"
#include "WinMmDeviceWatch.h"
#include "WinMmSystemApi.h"

namespace platform {

//! The machine's MIDI devices through Windows' multimedia API (WinMM).
//!
//! Devices are listed in WinMM's device order under the product names WinMM
//! gives them, and known by what survives renumbering (WinMmDeviceList):
//! opening looks the identity up anew and checks that the number still
//! names that device. An open port learns whether its device is still
//! listed from a watch of its own (WinMmDeviceWatch), off the threads that
//! move the bytes.
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

private:
    using Entries = std::vector<WinMmDeviceList::Entry>;

    std::vector<MidiDeviceId> devices(bool output) const;
    MidiResult openOutputAt(const Entries& entries, std::optional<unsigned> number, std::unique_ptr<MidiOutput>& port);
    MidiResult openInputAt(const Entries& entries, std::optional<unsigned> number, MidiInCallback callback,
                           void* instance, std::unique_ptr<MidiInput>& port);
    //! Opens entry `number` of `entries` as the device `makeDevice(name,
    //! presence look)` makes, and keeps it as `port` only while that number
    //! still names the same device.
    template <class Port, class MakeDevice>
    MidiResult openChecked(bool output, const Entries& entries, std::optional<unsigned> number,
                           std::unique_ptr<Port>& port, MakeDevice makeDevice);
    //! Whether the device with `identity` may still be listed, for its port's watch.
    WinMmDeviceWatch::Look presenceLook(bool output, const std::string& identity) const;

    std::shared_ptr<WinMmApi> m_api;
};

}  // namespace platform
