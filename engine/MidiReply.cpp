#include "MidiReply.h"

#include <algorithm>
#include <cstring>

#include "PumpWaitingMessages.h"

platform::MidiHeader g_midiInHeader;
std::uint8_t g_midiInBuffer[kMidiInBufferSize] = {};
std::uint8_t g_replyData[kMidiInBufferSize] = {};
std::uint32_t g_replyLength = 0;
std::atomic<std::uint8_t> g_replyReady{0};
platform::WakeSignal g_replySignal;

namespace {
constexpr std::size_t kFrameBytes = 2;  // F0 and F7 around the payload
}

bool StoreReply(const std::uint8_t* message, std::size_t recorded)
{
    if (IsReplyReady())
        return false;
    const std::size_t length = std::clamp(recorded, kFrameBytes, kMidiInBufferSize);
    const std::size_t payload = length - kFrameBytes;  // 0 for a buffer too short to hold a reply
    if (payload > 0)
        std::memcpy(g_replyData, message + 1, payload);
    g_replyLength = static_cast<std::uint32_t>(length);
    return true;
}

bool AwaitReply(unsigned pollCount, std::chrono::microseconds interval, const std::function<void()>& eachPoll)
{
    for (unsigned poll = 0; poll < pollCount; ++poll) {
        // Taken before the look at the flag: a reply announced after the look still ends the wait.
        const std::uint32_t seen = g_replySignal.generation();
        if (IsReplyReady())
            return true;
        if (eachPoll)
            eachPoll();
        g_replySignal.waitFor(seen, interval);
        PumpWaitingMessages();
    }
    return false;
}
