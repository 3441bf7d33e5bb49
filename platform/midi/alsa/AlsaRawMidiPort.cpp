#include "AlsaRawMidiPort.h"

#include <cerrno>
#include <map>

namespace platform {

std::string AlsaRawMidiPort::hardwareId() const
{
    return "hw:" + std::to_string(card) + "," + std::to_string(device) + "," + std::to_string(subdevice);
}

std::string AlsaRawMidiPort::identity() const
{
    return cardId + "," + std::to_string(device) + "," + std::to_string(subdevice) + " " + subdeviceName;
}

namespace {

std::string plainName(const AlsaRawMidiPort& port)
{
    const std::string card = port.cardName.empty() ? "Card " + std::to_string(port.card) : port.cardName;
    if (port.subdeviceName.empty())
        return card + ": " + port.hardwareId();
    return card + ": " + port.subdeviceName;
}

}  // namespace

std::vector<std::string> AlsaRawMidiPortNames(const std::vector<AlsaRawMidiPort>& ports)
{
    std::vector<std::string> names;
    names.reserve(ports.size());
    std::map<std::string, int> uses;
    for (const auto& port : ports) {
        names.push_back(plainName(port));
        ++uses[names.back()];
    }
    for (std::size_t i = 0; i < ports.size(); ++i) {
        if (uses[names[i]] > 1 && !ports[i].subdeviceName.empty())
            names[i] += " [" + ports[i].hardwareId() + "]";
    }
    return names;
}

int AlsaErrorToMidiStatus(int alsaError)
{
    switch (-alsaError) {
    case 0: return kMidiOk;
    case ENODEV:
    case ENXIO:
    case ENOENT:
    case EIO:
    case ESHUTDOWN: return kMidiNoDevice;
    case EBUSY: return kMidiAllocated;
    case EAGAIN: return kMidiNotReady;
    case ENOMEM: return kMidiNoMemory;
    case EINVAL: return kMidiInvalidParam;
    case EBADFD: return kMidiInvalidHandle;
    default: return kMidiError;
    }
}

}  // namespace platform
