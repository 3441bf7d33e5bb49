#include "AlsaRawMidiBackend.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <optional>

#include "AlsaRawMidiInput.h"
#include "AlsaRawMidiIo.h"
#include "AlsaRawMidiOutput.h"

namespace platform {

namespace {

using RawMidiInfo = std::unique_ptr<snd_rawmidi_info_t, decltype(&snd_rawmidi_info_free)>;
using CtlCardInfo = std::unique_ptr<snd_ctl_card_info_t, decltype(&snd_ctl_card_info_free)>;

struct CardNames {
    std::string id;
    std::string name;
};

CardNames cardNames(snd_ctl_t* ctl, int card)
{
    const CardNames unknown{std::to_string(card), "Card " + std::to_string(card)};
    snd_ctl_card_info_t* raw = nullptr;
    if (snd_ctl_card_info_malloc(&raw) < 0)
        return unknown;
    CtlCardInfo info(raw, &snd_ctl_card_info_free);
    if (snd_ctl_card_info(ctl, info.get()) < 0)
        return unknown;
    return {snd_ctl_card_info_get_id(info.get()), snd_ctl_card_info_get_name(info.get())};
}

//! The id of card `card` now; empty when it cannot be read.
std::string cardIdOf(int card)
{
    snd_ctl_t* ctl = nullptr;
    if (snd_ctl_open(&ctl, ("hw:" + std::to_string(card)).c_str(), 0) < 0)
        return {};
    const std::string id = cardNames(ctl, card).id;
    snd_ctl_close(ctl);
    return id;
}

//! The card number of an open raw MIDI handle; -1 when it cannot be read.
int cardOf(snd_rawmidi_t* handle)
{
    snd_rawmidi_info_t* raw = nullptr;
    if (snd_rawmidi_info_malloc(&raw) < 0)
        return -1;
    RawMidiInfo info(raw, &snd_rawmidi_info_free);
    return snd_rawmidi_info(handle, info.get()) < 0 ? -1 : snd_rawmidi_info_get_card(info.get());
}

void appendDevicePorts(snd_ctl_t* ctl, int card, const CardNames& names, int device, bool output,
                       std::vector<AlsaRawMidiPort>& ports)
{
    snd_rawmidi_info_t* raw = nullptr;
    if (snd_rawmidi_info_malloc(&raw) < 0)
        return;
    RawMidiInfo info(raw, &snd_rawmidi_info_free);
    snd_rawmidi_info_set_device(info.get(), static_cast<unsigned>(device));
    snd_rawmidi_info_set_stream(info.get(), output ? SND_RAWMIDI_STREAM_OUTPUT : SND_RAWMIDI_STREAM_INPUT);
    snd_rawmidi_info_set_subdevice(info.get(), 0);
    if (snd_ctl_rawmidi_info(ctl, info.get()) < 0)
        return;  // the device has no stream in this direction
    const unsigned count = snd_rawmidi_info_get_subdevices_count(info.get());
    for (unsigned sub = 0; sub < count; ++sub) {
        snd_rawmidi_info_set_subdevice(info.get(), sub);
        if (snd_ctl_rawmidi_info(ctl, info.get()) < 0)
            continue;
        AlsaRawMidiPort port;
        port.card = card;
        port.device = device;
        port.subdevice = static_cast<int>(sub);
        port.cardId = names.id;
        port.cardName = names.name;
        port.subdeviceName = snd_rawmidi_info_get_subdevice_name(info.get());
        if (port.subdeviceName.empty())
            port.subdeviceName = snd_rawmidi_info_get_name(info.get());
        ports.push_back(std::move(port));
    }
}

void appendCardPorts(int card, bool output, std::vector<AlsaRawMidiPort>& ports)
{
    snd_ctl_t* ctl = nullptr;
    const std::string ctlName = "hw:" + std::to_string(card);
    if (snd_ctl_open(&ctl, ctlName.c_str(), 0) < 0)
        return;
    const CardNames names = cardNames(ctl, card);
    int device = -1;
    while (snd_ctl_rawmidi_next_device(ctl, &device) >= 0 && device >= 0)
        appendDevicePorts(ctl, card, names, device, output, ports);
    snd_ctl_close(ctl);
}

MidiResult openFailure(bool output, const AlsaRawMidiPort& port, const std::string& name, int err)
{
    if (err == -EBUSY)
        return MidiResult::failure(kMidiAllocated, "\"" + name + "\" is in use by another program");
    return MidiResult::failure(AlsaErrorToMidiStatus(err), std::string("Cannot open MIDI ") +
                                                               (output ? "out " : "in ") + port.hardwareId() + ": " +
                                                               snd_strerror(err));
}

std::optional<std::size_t> indexOf(const std::vector<AlsaRawMidiPort>& ports, const std::string& identity)
{
    for (std::size_t i = 0; i < ports.size(); ++i)
        if (ports[i].identity() == identity)
            return i;
    return std::nullopt;
}

}  // namespace

AlsaRawMidiBackend::AlsaRawMidiBackend() { SilenceAlsaLibErrors(); }

std::vector<AlsaRawMidiPort> AlsaRawMidiBackend::listPorts(bool output)
{
    std::vector<AlsaRawMidiPort> ports;
    int card = -1;
    while (snd_card_next(&card) >= 0 && card >= 0)
        appendCardPorts(card, output, ports);
    return ports;
}

std::vector<std::string> AlsaRawMidiBackend::outputNames() { return AlsaRawMidiPortNames(listPorts(true)); }

std::vector<std::string> AlsaRawMidiBackend::inputNames() { return AlsaRawMidiPortNames(listPorts(false)); }

std::vector<MidiDeviceId> AlsaRawMidiBackend::outputDevices() { return devices(true); }

std::vector<MidiDeviceId> AlsaRawMidiBackend::inputDevices() { return devices(false); }

std::vector<MidiDeviceId> AlsaRawMidiBackend::devices(bool output) const
{
    const auto ports = listPorts(output);
    const auto names = AlsaRawMidiPortNames(ports);
    std::vector<MidiDeviceId> devices;
    for (std::size_t i = 0; i < ports.size(); ++i)
        devices.push_back({backendName(), ports[i].identity(), names[i]});
    return devices;
}

MidiResult AlsaRawMidiBackend::openOutput(std::size_t index, std::unique_ptr<MidiOutput>& port)
{
    return openOutputAt(listPorts(true), index, port);
}

MidiResult AlsaRawMidiBackend::openInput(std::size_t index, MidiInCallback callback, void* instance,
                                         std::unique_ptr<MidiInput>& port)
{
    return openInputAt(listPorts(false), index, callback, instance, port);
}

MidiResult AlsaRawMidiBackend::openOutputDevice(const std::string& identity, std::unique_ptr<MidiOutput>& port)
{
    const auto ports = listPorts(true);
    return openOutputAt(ports, indexOf(ports, identity), port);
}

MidiResult AlsaRawMidiBackend::openInputDevice(const std::string& identity, MidiInCallback callback, void* instance,
                                               std::unique_ptr<MidiInput>& port)
{
    const auto ports = listPorts(false);
    return openInputAt(ports, indexOf(ports, identity), callback, instance, port);
}

MidiResult AlsaRawMidiBackend::openOutputAt(const std::vector<AlsaRawMidiPort>& ports, std::optional<std::size_t> index,
                                            std::unique_ptr<MidiOutput>& port)
{
    snd_rawmidi_t* handle = nullptr;
    const MidiResult opened = openPort(ports, index, true, handle);
    if (opened.ok())
        port = std::make_unique<AlsaRawMidiOutput>(handle, AlsaRawMidiPortNames(ports)[*index]);
    return opened;
}

MidiResult AlsaRawMidiBackend::openInputAt(const std::vector<AlsaRawMidiPort>& ports, std::optional<std::size_t> index,
                                           MidiInCallback callback, void* instance, std::unique_ptr<MidiInput>& port)
{
    snd_rawmidi_t* handle = nullptr;
    const MidiResult opened = openPort(ports, index, false, handle);
    if (opened.ok())
        port = std::make_unique<AlsaRawMidiInput>(callback, instance, handle, AlsaRawMidiPortNames(ports)[*index]);
    return opened;
}

MidiResult AlsaRawMidiBackend::openPort(const std::vector<AlsaRawMidiPort>& ports, std::optional<std::size_t> index,
                                        bool output, snd_rawmidi_t*& handle)
{
    if (!index || *index >= ports.size())
        return MidiResult::failure(kMidiBadDevice);
    const AlsaRawMidiPort& wanted = ports[*index];
    // Non-blocking, so a device held by another program fails at once instead of
    // blocking the open; writes wait on poll with their own time-out.
    const int err = snd_rawmidi_open(output ? nullptr : &handle, output ? &handle : nullptr,
                                     wanted.hardwareId().c_str(), SND_RAWMIDI_NONBLOCK);
    if (err < 0)
        return openFailure(output, wanted, AlsaRawMidiPortNames(ports)[*index], err);
    // The card number may have passed to another card since the listing; while
    // the port is open its card stays, so its id tells whether it is the one.
    if (cardIdOf(cardOf(handle)) != wanted.cardId) {
        snd_rawmidi_close(handle);
        handle = nullptr;
        return MidiResult::failure(kMidiBadDevice);
    }
    return MidiResult::success();
}

}  // namespace platform
