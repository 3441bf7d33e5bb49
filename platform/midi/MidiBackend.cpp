#include "MidiBackend.h"

#include <algorithm>
#include <optional>

namespace platform {

namespace {

std::optional<std::size_t> indexOf(const std::vector<MidiDeviceId>& devices, const std::string& identity)
{
    const auto found = std::find_if(devices.begin(), devices.end(),
                                    [&](const MidiDeviceId& device) { return device.identity == identity; });
    if (found == devices.end())
        return std::nullopt;
    return static_cast<std::size_t>(found - devices.begin());
}

}  // namespace

std::vector<MidiDeviceId> MidiBackend::outputDevices() { return devicesNamed(outputNames()); }

std::vector<MidiDeviceId> MidiBackend::inputDevices() { return devicesNamed(inputNames()); }

MidiResult MidiBackend::openOutputDevice(const std::string& identity, std::unique_ptr<MidiOutput>& port)
{
    const auto index = indexOf(outputDevices(), identity);
    return index ? openOutput(*index, port) : MidiResult::failure(kMidiBadDevice);
}

MidiResult MidiBackend::openInputDevice(const std::string& identity, MidiInCallback callback, void* instance,
                                        std::unique_ptr<MidiInput>& port)
{
    const auto index = indexOf(inputDevices(), identity);
    return index ? openInput(*index, callback, instance, port) : MidiResult::failure(kMidiBadDevice);
}

std::vector<MidiDeviceId> MidiBackend::devicesNamed(const std::vector<std::string>& names) const
{
    std::vector<MidiDeviceId> devices;
    devices.reserve(names.size());
    for (const auto& name : names)
        devices.push_back({backendName(), name, name});
    return devices;
}

}  // namespace platform
