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

}  // namespace platform
