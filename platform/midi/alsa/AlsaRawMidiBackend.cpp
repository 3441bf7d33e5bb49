#include "AlsaRawMidiBackend.h"

#include <alsa/asoundlib.h>

#include "AlsaRawMidiInput.h"
#include "AlsaRawMidiOutput.h"

namespace platform {

namespace {

// alsa-lib reports failures on stderr by default; a GUI has no use for that
// and a machine without sound cards would print on every device listing.
void SilentAlsaErrorHandler(const char*, int, const char*, int, const char*, ...) {}

using RawMidiInfo = std::unique_ptr<snd_rawmidi_info_t, decltype(&snd_rawmidi_info_free)>;
using CtlCardInfo = std::unique_ptr<snd_ctl_card_info_t, decltype(&snd_ctl_card_info_free)>;

std::string cardName(snd_ctl_t* ctl, int card)
{
    snd_ctl_card_info_t* raw = nullptr;
    if (snd_ctl_card_info_malloc(&raw) < 0)
        return "Card " + std::to_string(card);
    CtlCardInfo info(raw, &snd_ctl_card_info_free);
    if (snd_ctl_card_info(ctl, info.get()) < 0)
        return "Card " + std::to_string(card);
    return snd_ctl_card_info_get_name(info.get());
}

void appendDevicePorts(snd_ctl_t* ctl, int card, const std::string& name, int device, bool output,
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
        port.cardName = name;
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
    const std::string name = cardName(ctl, card);
    int device = -1;
    while (snd_ctl_rawmidi_next_device(ctl, &device) >= 0 && device >= 0)
        appendDevicePorts(ctl, card, name, device, output, ports);
    snd_ctl_close(ctl);
}

MidiResult openFailure(const char* direction, const AlsaRawMidiPort& port, int err)
{
    return MidiResult::failure(AlsaErrorToMidiStatus(err), std::string("Cannot open MIDI ") + direction + " " +
                                                               port.hardwareId() + ": " + snd_strerror(err));
}

}  // namespace

AlsaRawMidiBackend::AlsaRawMidiBackend() { snd_lib_error_set_handler(&SilentAlsaErrorHandler); }

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

MidiResult AlsaRawMidiBackend::openOutput(std::size_t index, std::unique_ptr<MidiOutput>& port)
{
    const auto ports = listPorts(true);
    if (index >= ports.size())
        return MidiResult::failure(kMidiBadDevice);
    snd_rawmidi_t* handle = nullptr;
    // Non-blocking, so a device held by another program fails at once instead of
    // blocking the open; writes wait on poll with their own time-out.
    const int err = snd_rawmidi_open(nullptr, &handle, ports[index].hardwareId().c_str(), SND_RAWMIDI_NONBLOCK);
    if (err < 0)
        return openFailure("out", ports[index], err);
    port = std::make_unique<AlsaRawMidiOutput>(handle, AlsaRawMidiPortNames(ports)[index]);
    return MidiResult::success();
}

MidiResult AlsaRawMidiBackend::openInput(std::size_t index, MidiInCallback callback, void* instance,
                                         std::unique_ptr<MidiInput>& port)
{
    const auto ports = listPorts(false);
    if (index >= ports.size())
        return MidiResult::failure(kMidiBadDevice);
    snd_rawmidi_t* handle = nullptr;
    const int err = snd_rawmidi_open(&handle, nullptr, ports[index].hardwareId().c_str(), SND_RAWMIDI_NONBLOCK);
    if (err < 0)
        return openFailure("in", ports[index], err);
    port = std::make_unique<AlsaRawMidiInput>(callback, instance, handle);
    return MidiResult::success();
}

}  // namespace platform
