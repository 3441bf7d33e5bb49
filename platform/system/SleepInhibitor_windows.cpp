#include "SleepInhibitor.h"

#include <windows.h>

#include <powrprof.h>

#include "ShutdownBlocker.h"
#include "WideText.h"

namespace platform {
namespace {

// A power request counts against sleep like the thread's execution state,
// but names its program and reason in `powercfg /requests`, where an
// administrator looks for what keeps a machine awake.
HANDLE TakePowerRequest(std::wstring reason)
{
    REASON_CONTEXT context{};
    context.Version = POWER_REQUEST_CONTEXT_VERSION;
    context.Flags = POWER_REQUEST_CONTEXT_SIMPLE_STRING;
    context.Reason.SimpleReasonString = reason.data();  // copied by Windows
    HANDLE request = ::PowerCreateRequest(&context);
    if (request == INVALID_HANDLE_VALUE)
        return nullptr;
    if (!::PowerSetRequest(request, PowerRequestSystemRequired)) {
        ::CloseHandle(request);
        return nullptr;
    }
    return request;
}

// A Modern Standby machine (S0 low power idle) on battery: there a power
// request holds off sleep only until five minutes after the sleep timeout.
bool StandbyMayStillSleep()
{
    POWER_PLATFORM_INFORMATION platform{};
    SYSTEM_POWER_STATUS status{};
    return ::CallNtPowerInformation(PlatformInformation, nullptr, 0, &platform, sizeof platform) == 0 &&
           platform.AoAc && ::GetSystemPowerStatus(&status) && status.ACLineStatus == 0;
}

void Append(std::string& what, bool held, const char* part)
{
    if (held)
        what += (what.empty() ? "" : ":") + std::string(part);
}

}  // namespace

struct SleepInhibitor::Lock {
    Lock(const std::wstring& reason, std::uintptr_t window)
        // ES_CONTINUOUS: the request stands until this thread changes it,
        // rather than only resetting the idle timer once.
        : previous(::SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED)),
          powerRequest(TakePowerRequest(reason)), shutdown(reason, window)
    {
    }
    ~Lock()
    {
        if (powerRequest != nullptr) {
            ::PowerClearRequest(powerRequest, PowerRequestSystemRequired);
            ::CloseHandle(powerRequest);
        }
        // Back to what this thread asked for before; ES_CONTINUOUS makes that last.
        if (previous != 0)
            ::SetThreadExecutionState(previous | ES_CONTINUOUS);
    }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    //! What Windows took, in its own words, parted as logind's list is.
    std::string What() const
    {
        std::string what;
        Append(what, previous != 0, "ES_SYSTEM_REQUIRED");
        Append(what, powerRequest != nullptr, "PowerRequestSystemRequired");
        Append(what, shutdown.Held(), "WM_QUERYENDSESSION");
        return what;
    }

    EXECUTION_STATE previous;  // 0: Windows refused the execution state
    HANDLE powerRequest;
    ShutdownBlocker shutdown;
};

SleepInhibitor::SleepInhibitor(const std::string& who, const std::string& why, std::uintptr_t window)
    : m_who(who), m_why(why)
{
    auto lock = std::make_unique<Lock>(WideFromUtf8(why), window);
    m_what = lock->What();
    if (lock->powerRequest != nullptr && StandbyMayStillSleep())
        m_caveat = "on battery, this computer (Modern Standby) may still go to sleep five minutes after its sleep "
                   "timeout: connect it to power for the update";
    if (m_what.empty()) {
        m_problem = "Windows refused the execution state, the power request and the shutdown block";
        return;
    }
    m_lock = std::move(lock);
}

SleepInhibitor::~SleepInhibitor() = default;

bool SleepInhibitor::RefusesEndSession(const void* message) { return ShutdownBlocker::RefusesEndSession(message); }

bool SleepInhibitor::EndsSession(const void* message) { return ShutdownBlocker::EndsSession(message); }

}  // namespace platform
