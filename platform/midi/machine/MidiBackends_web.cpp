#include "MidiBackends.h"

#include "WebMidiBackend.h"

namespace platform {

void RegisterSystemMidiBackends(MidiSystem& system)
{
    static const auto webMidi = std::make_shared<WebMidiBackend>();
    system.addBackend(webMidi);
}

std::vector<std::string> NoDevicesAdvice()
{
    return {
        "the instrument is switched on and its USB or MIDI cable is plugged in;",
        "this page may use MIDI devices (the browser asks once; its site settings change the answer);",
        "the browser has Web MIDI (Chrome, Edge, Opera; Firefox with the site's permission).",
    };
}

}  // namespace platform
