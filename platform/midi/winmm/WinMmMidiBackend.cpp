#include "WinMmMidiBackend.h"

#include <utility>

#include "WinMmMidiInput.h"
#include "WinMmMidiOutput.h"

namespace platform {

WinMmMidiBackend::WinMmMidiBackend(std::shared_ptr<WinMmApi> api) : m_api(std::move(api)) {}

std::vector<std::string> WinMmMidiBackend::outputNames() { return DeviceNames(devices(true)); }

std::vector<std::string> WinMmMidiBackend::inputNames() { return DeviceNames(devices(false)); }

std::vector<MidiDeviceId> WinMmMidiBackend::outputDevices() { return devices(true); }

std::vector<MidiDeviceId> WinMmMidiBackend::inputDevices() { return devices(false); }

std::vector<MidiDeviceId> WinMmMidiBackend::devices(bool output) const
{
    const Entries entries = WinMmDeviceList::look(*m_api, output);
    const auto ids = WinMmDeviceList::identities(entries);
    std::vector<MidiDeviceId> devices;
    for (std::size_t i = 0; i < entries.size(); ++i)
        devices.push_back({backendName(), ids[i], entries[i].name});
    return devices;
}

MidiResult WinMmMidiBackend::openOutput(std::size_t index, std::unique_ptr<MidiOutput>& port)
{
    return openOutputAt(WinMmDeviceList::look(*m_api, true), static_cast<unsigned>(index), port);
}

MidiResult WinMmMidiBackend::openInput(std::size_t index, MidiInCallback callback, void* instance,
                                       std::unique_ptr<MidiInput>& port)
{
    return openInputAt(WinMmDeviceList::look(*m_api, false), static_cast<unsigned>(index), callback, instance, port);
}

MidiResult WinMmMidiBackend::openOutputDevice(const std::string& identity, std::unique_ptr<MidiOutput>& port)
{
    const Entries entries = WinMmDeviceList::look(*m_api, true);
    return openOutputAt(entries, WinMmDeviceList::find(entries, identity), port);
}

MidiResult WinMmMidiBackend::openInputDevice(const std::string& identity, MidiInCallback callback, void* instance,
                                             std::unique_ptr<MidiInput>& port)
{
    const Entries entries = WinMmDeviceList::look(*m_api, false);
    return openInputAt(entries, WinMmDeviceList::find(entries, identity), callback, instance, port);
}

MidiResult WinMmMidiBackend::openOutputAt(const Entries& entries, std::optional<unsigned> number,
                                          std::unique_ptr<MidiOutput>& port)
{
    return openChecked(true, entries, number, port, [this](std::string name, WinMmDeviceWatch::Look present) {
        return std::make_unique<WinMmMidiOutput>(m_api, std::move(name), std::move(present));
    });
}

MidiResult WinMmMidiBackend::openInputAt(const Entries& entries, std::optional<unsigned> number,
                                         MidiInCallback callback, void* instance, std::unique_ptr<MidiInput>& port)
{
    return openChecked(false, entries, number, port, [&](std::string name, WinMmDeviceWatch::Look present) {
        return std::make_unique<WinMmMidiInput>(m_api, callback, instance, std::move(name), std::move(present));
    });
}

template <class Port, class MakeDevice>
MidiResult WinMmMidiBackend::openChecked(bool output, const Entries& entries, std::optional<unsigned> number,
                                         std::unique_ptr<Port>& port, MakeDevice makeDevice)
{
    if (!number || *number >= entries.size())
        return MidiResult::failure(kMidiBadDevice);
    const std::string identity = WinMmDeviceList::identities(entries)[*number];
    auto device = makeDevice(WinMmDeviceList::baseName(entries[*number].name), presenceLook(output, identity));
    const MidiResult opened = device->open(*number);
    if (!opened.ok())
        return opened;
    // A device that came or went between the look and the open moves the
    // numbers: while ours is open, its number stays, so a new look tells.
    if (WinMmDeviceList::find(WinMmDeviceList::look(*m_api, output), identity) != number)
        return MidiResult::failure(kMidiBadDevice);
    port = std::move(device);
    return opened;
}

WinMmDeviceWatch::Look WinMmMidiBackend::presenceLook(bool output, const std::string& identity) const
{
    return [api = m_api, output, identity] {
        return WinMmDeviceList::mayBeListed(WinMmDeviceList::look(*api, output), identity);
    };
}

}  // namespace platform
