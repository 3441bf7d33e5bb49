#include "MidiSystem.h"

#include <algorithm>
#include <iterator>

namespace platform {

MidiSystem& MidiSystem::instance()
{
    static MidiSystem system;
    return system;
}

void MidiSystem::addBackend(std::shared_ptr<MidiBackend> backend)
{
    if (backend && std::find(m_backends.begin(), m_backends.end(), backend) == m_backends.end())
        m_backends.push_back(std::move(backend));
}

void MidiSystem::removeBackend(const std::shared_ptr<MidiBackend>& backend)
{
    m_backends.erase(std::remove(m_backends.begin(), m_backends.end(), backend), m_backends.end());
}

void MidiSystem::clearBackends() { m_backends.clear(); }

namespace {

//! One list across all backends, in registration order.
template <class Item>
std::vector<Item> gather(const std::vector<std::shared_ptr<MidiBackend>>& backends,
                         std::vector<Item> (MidiBackend::*list)())
{
    std::vector<Item> items;
    for (const auto& backend : backends) {
        auto more = ((*backend).*list)();
        items.insert(items.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
    }
    return items;
}

}  // namespace

std::vector<std::string> MidiSystem::outputNames() const { return gather(m_backends, &MidiBackend::outputNames); }

std::vector<std::string> MidiSystem::inputNames() const { return gather(m_backends, &MidiBackend::inputNames); }

std::vector<MidiDeviceId> MidiSystem::outputDevices() const { return gather(m_backends, &MidiBackend::outputDevices); }

std::vector<MidiDeviceId> MidiSystem::inputDevices() const { return gather(m_backends, &MidiBackend::inputDevices); }

MidiResult MidiSystem::openOutput(unsigned device, std::unique_ptr<MidiOutput>& port) const
{
    std::size_t remaining = device;
    for (const auto& backend : m_backends) {
        const std::size_t count = backend->outputNames().size();
        if (remaining < count)
            return backend->openOutput(remaining, port);
        remaining -= count;
    }
    return MidiResult::failure(kMidiBadDevice);
}

MidiResult MidiSystem::openInput(unsigned device, MidiInCallback callback, void* instance,
                                 std::unique_ptr<MidiInput>& port) const
{
    std::size_t remaining = device;
    for (const auto& backend : m_backends) {
        const std::size_t count = backend->inputNames().size();
        if (remaining < count)
            return backend->openInput(remaining, callback, instance, port);
        remaining -= count;
    }
    return MidiResult::failure(kMidiBadDevice);
}

namespace {

MidiResult explainMissing(MidiResult result, const MidiDeviceId& device)
{
    if (result.code != kMidiBadDevice)
        return result;
    return MidiResult::failure(kMidiNoDevice, "\"" + device.name + "\" is no longer connected");
}

}  // namespace

MidiResult MidiSystem::openOutput(const MidiDeviceId& device, std::unique_ptr<MidiOutput>& port) const
{
    MidiBackend* backend = backendNamed(device.backend);
    return explainMissing(backend ? backend->openOutputDevice(device.identity, port)
                                  : MidiResult::failure(kMidiBadDevice),
                          device);
}

MidiResult MidiSystem::openInput(const MidiDeviceId& device, MidiInCallback callback, void* instance,
                                 std::unique_ptr<MidiInput>& port) const
{
    MidiBackend* backend = backendNamed(device.backend);
    return explainMissing(backend ? backend->openInputDevice(device.identity, callback, instance, port)
                                  : MidiResult::failure(kMidiBadDevice),
                          device);
}

MidiBackend* MidiSystem::backendNamed(const std::string& name) const
{
    for (const auto& backend : m_backends)
        if (backend->backendName() == name)
            return backend.get();
    return nullptr;
}

std::string MidiSystem::errorText(int code)
{
    switch (code) {
    case kMidiOk: return "The specified command was carried out.";
    case kMidiError: return "Undefined external error.";
    case kMidiBadDevice: return "A device ID has been used that is out of range for your system.";
    case kMidiNotEnabled: return "The driver was not enabled.";
    case kMidiAllocated: return "The specified device is already in use. Wait until it is free, and then try again.";
    case kMidiInvalidHandle: return "The specified device handle is invalid.";
    case kMidiNoDriver: return "There is no driver installed on your system.";
    case kMidiNoMemory: return "There is not enough memory available for this task.";
    case kMidiInvalidParam: return "An invalid parameter was passed to a system function.";
    case kMidiUnprepared: return "The header has not been prepared.";
    case kMidiStillPlaying: return "Cannot perform this operation while media data is still playing.";
    case kMidiNotReady: return "The MIDI device is busy. Wait until it is free, and then try again.";
    case kMidiNoDevice: return "The MIDI device was disconnected or is no longer available.";
    default: return "Undefined external error.";
    }
}

std::string MidiSystem::errorText(const MidiResult& result)
{
    return result.detail.empty() ? errorText(result.code) : result.detail;
}

}  // namespace platform
