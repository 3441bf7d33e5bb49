#include "WordWait.h"

#include <cstdint>

// In EventLoop_web.js. The wait gives the browser's event loop the thread
// (the module is built with Asyncify), so what ends it can happen meanwhile.
extern "C" void vantrel_wait_word(std::uint32_t* address, std::uint32_t seen, double timeoutMs);
extern "C" void vantrel_wake_word(std::uint32_t* address);

namespace platform {
namespace {
std::uint32_t* Word(std::atomic<std::uint32_t>& value) { return reinterpret_cast<std::uint32_t*>(&value); }
}  // namespace

void WaitOnWord(std::atomic<std::uint32_t>& word, std::uint32_t seen, std::chrono::nanoseconds timeout)
{
    vantrel_wait_word(Word(word), seen, std::chrono::duration<double, std::milli>(timeout).count());
}

void WakeWordWaiters(std::atomic<std::uint32_t>& word) { vantrel_wake_word(Word(word)); }

}  // namespace platform
