#include "WebMidiBackend.h"

#include "WebMidiInput.h"
#include "WebMidiOutput.h"

namespace platform {

namespace {
using Kind = WebMidiPorts::Kind;
}  // namespace

std::string WebMidiBackend::backendName() const { return "webmidi"; }

std::vector<std::string> WebMidiBackend::outputNames() { return DeviceNames(outputDevices()); }

std::vector<std::string> WebMidiBackend::inputNames() { return DeviceNames(inputDevices()); }

std::vector<MidiDeviceId> WebMidiBackend::outputDevices() { return devices(Kind::Output); }

std::vector<MidiDeviceId> WebMidiBackend::inputDevices() { return devices(Kind::Input); }

MidiResult WebMidiBackend::openOutput(std::size_t index, std::unique_ptr<MidiOutput>& port)
{
    const std::vector<MidiDeviceId> listed = outputDevices();
    if (index >= listed.size())
        return MidiResult::failure(kMidiBadDevice);
    return openOutputDevice(listed[index].identity, port);
}

MidiResult WebMidiBackend::openInput(std::size_t index, MidiInCallback callback, void* instance,
                                     std::unique_ptr<MidiInput>& port)
{
    const std::vector<MidiDeviceId> listed = inputDevices();
    if (index >= listed.size())
        return MidiResult::failure(kMidiBadDevice);
    return openInputDevice(listed[index].identity, callback, instance, port);
}

MidiResult WebMidiBackend::openOutputDevice(const std::string& identity, std::unique_ptr<MidiOutput>& port)
{
    std::string name;
    MidiResult opened = open(Kind::Output, identity, name);
    if (opened.ok())
        port = std::make_unique<WebMidiOutput>(identity, name);
    return opened;
}

MidiResult WebMidiBackend::openInputDevice(const std::string& identity, MidiInCallback callback, void* instance,
                                           std::unique_ptr<MidiInput>& port)
{
    if (callback == nullptr)
        return MidiResult::failure(kMidiInvalidParam);
    std::string name;
    MidiResult opened = open(Kind::Input, identity, name);
    if (opened.ok())
        port = std::make_unique<WebMidiInput>(callback, instance, identity, name);
    return opened;
}

std::vector<MidiDeviceId> WebMidiBackend::devices(Kind kind) const
{
    std::vector<MidiDeviceId> listed;
    for (const WebMidiPorts::Port& port : WebMidiPorts::List(kind))
        listed.push_back({backendName(), port.id, port.name});
    return listed;
}

MidiResult WebMidiBackend::open(Kind kind, const std::string& identity, std::string& name) const
{
    for (const WebMidiPorts::Port& port : WebMidiPorts::List(kind)) {
        if (port.id != identity)
            continue;
        name = port.name;
        // A port another program holds will not open on some systems (Windows).
        if (const std::string refused = WebMidiPorts::Open(kind, identity); !refused.empty())
            return MidiResult::failure(kMidiAllocated, "\"" + name + "\": " + refused);
        return MidiResult::success();
    }
    return MidiResult::failure(kMidiBadDevice);
}

}  // namespace platform
