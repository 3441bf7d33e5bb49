#include "WinMmMidiBackend.h"

#include <windows.h>

#include <mmsystem.h>

#include <map>
#include <regex>

#include "WinMmMidiInput.h"
#include "WinMmMidiOutput.h"
#include "WinMmText.h"

namespace platform {

namespace {

std::string productName(WinMmApi& api, bool output, unsigned number)
{
    if (output) {
        MIDIOUTCAPSW caps{};
        if (api.midiOutGetDevCapsW(number, &caps, sizeof caps) != MMSYSERR_NOERROR)
            return {};
        return WinMmProductName(caps.szPname, MAXPNAMELEN);
    }
    MIDIINCAPSW caps{};
    if (api.midiInGetDevCapsW(number, &caps, sizeof caps) != MMSYSERR_NOERROR)
        return {};
    return WinMmProductName(caps.szPname, MAXPNAMELEN);
}

// The name a device was listed under, from its identity.
std::string nameOf(const std::string& identity) { return identity.substr(0, identity.rfind('#')); }

}  // namespace

WinMmMidiBackend::WinMmMidiBackend(std::shared_ptr<WinMmApi> api) : m_api(std::move(api)) {}

std::string WinMmMidiBackend::baseName(const std::string& name)
{
    static const std::regex reconnectPrefixes("^([0-9]+- )+");
    return std::regex_replace(name, reconnectPrefixes, "");
}

std::vector<std::string> WinMmMidiBackend::productNames(WinMmApi& api, bool output)
{
    const unsigned count = output ? api.midiOutGetNumDevs() : api.midiInGetNumDevs();
    std::vector<std::string> names;
    for (unsigned number = 0; number < count; ++number)
        names.push_back(productName(api, output, number));
    return names;
}

std::vector<std::string> WinMmMidiBackend::identities(const std::vector<std::string>& names)
{
    std::map<std::string, int> seen;
    std::vector<std::string> identities;
    for (const std::string& name : names) {
        const std::string base = baseName(name);
        identities.push_back(base + "#" + std::to_string(++seen[base]));
    }
    return identities;
}

std::vector<std::string> WinMmMidiBackend::outputNames() { return productNames(*m_api, true); }

std::vector<std::string> WinMmMidiBackend::inputNames() { return productNames(*m_api, false); }

std::vector<MidiDeviceId> WinMmMidiBackend::outputDevices() { return devices(true); }

std::vector<MidiDeviceId> WinMmMidiBackend::inputDevices() { return devices(false); }

std::vector<MidiDeviceId> WinMmMidiBackend::devices(bool output) const
{
    const auto names = productNames(*m_api, output);
    const auto ids = identities(names);
    std::vector<MidiDeviceId> devices;
    for (std::size_t i = 0; i < names.size(); ++i)
        devices.push_back({backendName(), ids[i], names[i]});
    return devices;
}

MidiResult WinMmMidiBackend::openOutput(std::size_t index, std::unique_ptr<MidiOutput>& port)
{
    const unsigned number = static_cast<unsigned>(index);
    return openOutputAt(number, identityOf(true, number), port);
}

MidiResult WinMmMidiBackend::openInput(std::size_t index, MidiInCallback callback, void* instance,
                                       std::unique_ptr<MidiInput>& port)
{
    const unsigned number = static_cast<unsigned>(index);
    return openInputAt(number, identityOf(false, number), callback, instance, port);
}

MidiResult WinMmMidiBackend::openOutputDevice(const std::string& identity, std::unique_ptr<MidiOutput>& port)
{
    return openOutputAt(numberOf(*m_api, true, identity), identity, port);
}

MidiResult WinMmMidiBackend::openInputDevice(const std::string& identity, MidiInCallback callback, void* instance,
                                             std::unique_ptr<MidiInput>& port)
{
    return openInputAt(numberOf(*m_api, false, identity), identity, callback, instance, port);
}

MidiResult WinMmMidiBackend::openOutputAt(std::optional<unsigned> number, const std::string& identity,
                                          std::unique_ptr<MidiOutput>& port)
{
    auto present = [api = m_api, identity] { return numberOf(*api, true, identity).has_value(); };
    return openChecked(true, number, identity, std::make_unique<WinMmMidiOutput>(m_api, nameOf(identity), present),
                       port);
}

MidiResult WinMmMidiBackend::openInputAt(std::optional<unsigned> number, const std::string& identity,
                                         MidiInCallback callback, void* instance, std::unique_ptr<MidiInput>& port)
{
    auto present = [api = m_api, identity] { return numberOf(*api, false, identity).has_value(); };
    return openChecked(false, number, identity,
                       std::make_unique<WinMmMidiInput>(m_api, callback, instance, nameOf(identity), present), port);
}

template <class Device, class Port>
MidiResult WinMmMidiBackend::openChecked(bool output, std::optional<unsigned> number, const std::string& identity,
                                         std::unique_ptr<Device> device, std::unique_ptr<Port>& port)
{
    if (!number || identity.empty())
        return MidiResult::failure(kMidiBadDevice);
    const MidiResult opened = device->open(*number);
    if (!opened.ok())
        return opened;
    // A device that came or went between the look and the open moves the
    // numbers: while ours is open, its number stays, so its name tells.
    if (identityOf(output, *number) != identity)
        return MidiResult::failure(kMidiBadDevice);
    port = std::move(device);
    return opened;
}

std::optional<unsigned> WinMmMidiBackend::numberOf(WinMmApi& api, bool output, const std::string& identity)
{
    const auto ids = identities(productNames(api, output));
    for (std::size_t i = 0; i < ids.size(); ++i)
        if (ids[i] == identity)
            return static_cast<unsigned>(i);
    return std::nullopt;
}

std::string WinMmMidiBackend::identityOf(bool output, unsigned number) const
{
    const auto ids = identities(productNames(*m_api, output));
    return number < ids.size() ? ids[number] : std::string();
}

}  // namespace platform
