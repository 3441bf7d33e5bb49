#include "PumpWaitingMessages.h"

#include "EventPump.h"

bool PumpWaitingMessages() { return platform::RunPumpHook(); }
