#include "SleepInhibitor.h"

#include <emscripten.h>

// The page tells the engine's worker whether it can hold the lock, and holds it on request.
EM_JS(int, vantrel_can_keep_awake, (), { return Module.page && Module.page.canKeepAwake ? 1 : 0; });
EM_JS(void, vantrel_keep_awake, (int on), { Module.page.keepAwake(on !== 0); });

namespace platform {

namespace {
constexpr const char* kWhat = "screen wake lock";
}  // namespace

// The engine runs in a worker; the page takes the lock, which only a visible
// page may hold: it takes it again each time the page is shown. The screen
// stays on, so the computer does not sleep on its idle timer; a closed lid,
// a shutdown and the power key are not the browser's to hold off.
struct SleepInhibitor::Lock {
    Lock() { vantrel_keep_awake(1); }
    ~Lock() { vantrel_keep_awake(0); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
};

SleepInhibitor::SleepInhibitor(const std::string& who, const std::string& why, std::uintptr_t)
    : m_what(kWhat), m_who(who), m_why(why)
{
    if (vantrel_can_keep_awake() == 0) {
        m_problem = "the browser offers no screen wake lock";
        return;
    }
    m_lock = std::make_unique<Lock>();
}

SleepInhibitor::~SleepInhibitor() = default;

bool SleepInhibitor::RefusesEndSession(const void*) { return false; }

}  // namespace platform
