#include "SleepInhibitor.h"

#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

// logind's lock against shutdown and reboot, suspend and hibernation, the
// idle action, and the actions of the power, suspend and hibernate keys and
// the lid switch: each of them would cut a run off, and the keys' actions are
// not covered by "shutdown" and "sleep" alone (logind checks them apart).
constexpr const char* kWhat =
    "shutdown:sleep:idle:handle-power-key:handle-suspend-key:handle-hibernate-key:handle-lid-switch";
// Held off for as long as the lock is held ("delay" would only postpone them).
constexpr const char* kMode = "block";
// The bus's greeting and logind's answer come within milliseconds; a bus
// that hangs must not hold up the start of a run for sd-bus's default of 25 s.
constexpr std::uint64_t kCallTimeoutUs = 5'000'000;
constexpr const char* kDefaultSystemBus = "unix:path=/run/dbus/system_bus_socket";

struct BusRelease {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageRelease {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
struct ErrorRelease {
    void operator()(sd_bus_error* error) const { sd_bus_error_free(error); }
};

// The system bus, or the one DBUS_SYSTEM_BUS_ADDRESS names. Opened step by
// step rather than with sd_bus_open_system so that the time limit covers the
// greeting as well.
int OpenSystemBus(sd_bus* bus)
{
    const char* address = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
    int result = sd_bus_set_address(bus, address != nullptr ? address : kDefaultSystemBus);
    if (result >= 0)
        result = sd_bus_set_bus_client(bus, 1);
    if (result >= 0)
        result = sd_bus_set_method_call_timeout(bus, kCallTimeoutUs);
    return result < 0 ? result : sd_bus_start(bus);
}

}  // namespace

struct SleepInhibitor::Lock {
    explicit Lock(int fd) : fd(fd) {}
    ~Lock() { ::close(fd); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    int fd;  // logind holds the lock until the last copy of this descriptor is closed
};

// logind's lock holds off shutdown as well: no window need answer for it.
SleepInhibitor::SleepInhibitor(const std::string& who, const std::string& why, std::uintptr_t)
    : m_what(kWhat), m_who(who), m_why(why)
{
    sd_bus* newBus = nullptr;
    int result = sd_bus_new(&newBus);
    const std::unique_ptr<sd_bus, BusRelease> bus(newBus);
    if (result >= 0)
        result = OpenSystemBus(bus.get());
    if (result < 0) {
        m_problem = std::string("no system D-Bus: ") + std::strerror(-result);
        return;
    }

    sd_bus_error error{};  // SD_BUS_ERROR_NULL, without its C compound literal
    const std::unique_ptr<sd_bus_error, ErrorRelease> errorRelease(&error);
    sd_bus_message* reply = nullptr;
    result = sd_bus_call_method(bus.get(), "org.freedesktop.login1", "/org/freedesktop/login1",
                                "org.freedesktop.login1.Manager", "Inhibit", &error, &reply, "ssss", kWhat,
                                who.c_str(), why.c_str(), kMode);
    const std::unique_ptr<sd_bus_message, MessageRelease> replyRelease(reply);
    if (result < 0) {
        m_problem = std::string("logind gave no lock: ") +
                    (sd_bus_error_is_set(&error) ? error.message : std::strerror(-result));
        return;
    }
    int replyFd = -1;
    // The reply owns its descriptor. Ours must not pass to programs started
    // meanwhile (a browser showing the help page would keep the lock alive).
    const int fd = sd_bus_message_read(reply, "h", &replyFd) < 0 ? -1 : ::fcntl(replyFd, F_DUPFD_CLOEXEC, 3);
    if (fd < 0) {
        m_problem = "logind's answer held no lock";
        return;
    }
    m_lock = std::make_unique<Lock>(fd);
}

SleepInhibitor::~SleepInhibitor() = default;

bool SleepInhibitor::RefusesEndSession(const void*) { return false; }

bool SleepInhibitor::EndsSession(const void*) { return false; }

}  // namespace platform
