#include "WordWait.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>
#include <ctime>

namespace platform {
namespace {

std::uint32_t* Word(std::atomic<std::uint32_t>& value) { return reinterpret_cast<std::uint32_t*>(&value); }

timespec ToTimespec(std::chrono::nanoseconds duration)
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration);
    return {static_cast<time_t>(seconds.count()), static_cast<long>((duration - seconds).count())};
}

}  // namespace

void WaitOnWord(std::atomic<std::uint32_t>& word, std::uint32_t seen, std::chrono::nanoseconds timeout)
{
    const timespec wait = ToTimespec(timeout);
    syscall(SYS_futex, Word(word), FUTEX_WAIT_PRIVATE, seen, &wait, nullptr, 0);
}

void WakeWordWaiters(std::atomic<std::uint32_t>& word)
{
    syscall(SYS_futex, Word(word), FUTEX_WAKE_PRIVATE, INT_MAX, nullptr, nullptr, 0);
}

}  // namespace platform
