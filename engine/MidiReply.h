#pragma once
// The reply area shared between the MIDI input callback (on the driver's
// thread) and the waiting protocol code (on the user-interface thread). No
// lock: the callback stores the length and the payload, queues its buffer
// again and only then sets g_replyReady with release order; the waiting side
// reads length and payload only after it has seen the flag with acquire order.
// The callback does not overwrite a reply whose flag is still set, so a reply
// being read is never torn by a later one; each send clears the flag first.
// After setting the flag the callback gives g_replySignal, so a waiting poll
// ends as soon as the reply is there instead of at the end of its millisecond.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "MidiTypes.h"
#include "WakeSignal.h"

//! Size of the one input buffer; a longer message arrives in pieces of this size.
constexpr std::size_t kMidiInBufferSize = 200;

//! Header of the one input buffer, queued while the input runs.
extern platform::MidiHeader g_midiInHeader;
//! The one input buffer.
extern std::uint8_t g_midiInBuffer[kMidiInBufferSize];
//! Payload of the last reply: the message without its first and last byte.
extern std::uint8_t g_replyData[kMidiInBufferSize];
//! Byte count of the last reply, both end bytes included (at least 2).
extern std::uint32_t g_replyLength;
//! 1 once a reply is stored; cleared at the start of every send.
extern std::atomic<std::uint8_t> g_replyReady;
//! Given after every reply is announced; waiting polls sleep on it.
extern platform::WakeSignal g_replySignal;

//! True once a reply is there to read (acquire: its data is visible then).
inline bool IsReplyReady() { return g_replyReady.load(std::memory_order_acquire) != 0; }
//! Marks the reply read-out as over; the next reply may be stored.
inline void ClearReplyReady() { g_replyReady.store(0, std::memory_order_release); }

//! Copies a completed input buffer of `recorded` bytes into the reply area
//! without announcing it. A buffer shorter than the two end bytes counts as an
//! empty reply. Returns false, storing nothing, while an earlier reply is still
//! flagged: that one may be being read.
bool StoreReply(const std::uint8_t* message, std::size_t recorded);
//! Announces the stored reply (release: the data becomes visible with the
//! flag) and wakes the waiting poll.
inline void PublishReply()
{
    g_replyReady.store(1, std::memory_order_release);
    g_replySignal.notify();
}

//! Polls for the reply at most `pollCount` times. Each poll looks at the flag,
//! runs `eachPoll` (which may throw to end the wait), waits up to `interval`,
//! ending the moment a reply is announced, and lets waiting window messages
//! run. True as soon as the reply is there; false when every poll has passed
//! without it.
bool AwaitReply(unsigned pollCount, std::chrono::microseconds interval,
                const std::function<void()>& eachPoll = {});
