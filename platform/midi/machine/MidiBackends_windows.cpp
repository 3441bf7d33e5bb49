#include "MidiBackends.h"

#include "WinMmMidiBackend.h"

namespace platform {

void RegisterSystemMidiBackends(MidiSystem& system)
{
    // One instance for the process, so registering twice adds nothing.
    static const auto winmm = std::make_shared<WinMmMidiBackend>();
    system.addBackend(winmm);
}

std::vector<std::string> NoDevicesAdvice()
{
    return {
        "the instrument is switched on and its USB or MIDI cable is plugged in;",
        "the driver of its MIDI interface is installed (Device Manager, \"Sound, video and game controllers\");",
        "no other program holds the instrument's MIDI ports.",
    };
}

}  // namespace platform
