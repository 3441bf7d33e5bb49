#include "SleepInhibitor.h"

#include <windows.h>

namespace platform {

struct SleepInhibitor::Lock {
    explicit Lock(EXECUTION_STATE previous) : previous(previous) {}
    // Back to what this thread asked for before; ES_CONTINUOUS makes that last.
    ~Lock() { SetThreadExecutionState(previous | ES_CONTINUOUS); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    EXECUTION_STATE previous;
};

// Windows takes no name or reason with this request; `who` and `why` are
// only reported.
SleepInhibitor::SleepInhibitor(const std::string& who, const std::string& why)
    : m_what("ES_SYSTEM_REQUIRED"), m_who(who), m_why(why)
{
    // ES_CONTINUOUS: the request stands until this thread changes it, rather
    // than only resetting the idle timer once.
    const EXECUTION_STATE previous = SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
    if (previous == 0) {
        m_problem = "SetThreadExecutionState refused the request";
        return;
    }
    m_lock = std::make_unique<Lock>(previous);
}

SleepInhibitor::~SleepInhibitor() = default;

}  // namespace platform
