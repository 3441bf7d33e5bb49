#include "MidiBackends.h"

namespace platform {

void RegisterSystemMidiBackends(MidiSystem& /*system*/) {}

}  // namespace platform
