#include "EventPump.h"

#include <atomic>

namespace platform {
namespace {
std::atomic<PumpHook> g_pumpHook{nullptr};
}

void SetPumpHook(PumpHook hook) { g_pumpHook.store(hook); }

bool RunPumpHook()
{
    const PumpHook hook = g_pumpHook.load();
    return hook == nullptr ? true : hook();
}

}  // namespace platform
