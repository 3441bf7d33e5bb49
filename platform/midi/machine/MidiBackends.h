#pragma once
#include <string>
#include <vector>

#include "MidiSystem.h"

namespace platform {

//! Registers the backends of the machine's real MIDI devices with `system`:
//! on Linux ALSA raw MIDI hardware ports first, then the ports of JACK
//! clients; on Windows the WinMM devices. A machine without any simply
//! contributes no devices.
void RegisterSystemMidiBackends(MidiSystem& system);

//! What to check when no MIDI device is found at all, one point a line.
std::vector<std::string> NoDevicesAdvice();

}  // namespace platform
