#pragma once
#include <string>
#include <vector>

namespace platform {

//! A device as the user chose it, recognisable while other devices come and
//! go: the backend it belongs to, the identity that backend gives it and the
//! name it was listed under (for messages).
struct MidiDeviceId {
    std::string backend;   //!< MidiBackend::backendName()
    std::string identity;  //!< ALSA: card id, device, subdevice and name; JACK: full port name; simulated: its name
    std::string name;      //!< the name shown in the device lists

    bool operator==(const MidiDeviceId& other) const = default;
};

//! The names of `devices`, in order.
inline std::vector<std::string> DeviceNames(const std::vector<MidiDeviceId>& devices)
{
    std::vector<std::string> names;
    names.reserve(devices.size());
    for (const auto& device : devices)
        names.push_back(device.name);
    return names;
}

}  // namespace platform
