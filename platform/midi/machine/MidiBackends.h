#pragma once
#include "MidiSystem.h"

namespace platform {

//! Registers the backends of the machine's real MIDI devices with `system`:
//! ALSA raw MIDI hardware ports first, then the ports of JACK clients. A
//! machine without either simply contributes no devices.
void RegisterSystemMidiBackends(MidiSystem& system);

}  // namespace platform
