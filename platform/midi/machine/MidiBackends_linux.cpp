#include "MidiBackends.h"

#include "AlsaRawMidiBackend.h"
#include "JackMidiBackend.h"

namespace platform {

void RegisterSystemMidiBackends(MidiSystem& system)
{
    // One instance of each for the process, so registering twice adds nothing.
    static const auto alsa = std::make_shared<AlsaRawMidiBackend>();
    static const auto jack = std::make_shared<JackMidiBackend>();
    system.addBackend(alsa);
    system.addBackend(jack);
}

std::vector<std::string> NoDevicesAdvice()
{
    return {
        "the instrument is switched on and its USB or MIDI cable is plugged in;",
        "JACK or PipeWire is running, if the instrument is reached through it;",
        "you may use the sound devices (usually: member of the group \"audio\").",
    };
}

}  // namespace platform
