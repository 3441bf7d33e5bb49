#pragma once
#include <windows.h>

#include <mmsystem.h>

#include <array>
#include <cstdint>

#include "WinMmKeptAlive.h"

namespace platform {

//! What an open WinMM input shares with the driver: the buffers and their
//! headers, and the input callback with its context. The callback does only
//! what Windows allows inside it (MidiInProc): under a critical section it
//! notes the buffer handed back, or that the driver closed the device, and
//! sets the event that wakes the input's worker thread. The worker copies the
//! bytes out, queues the buffer again and delivers, outside the callback.
class WinMmInputBuffers : public WinMmKeptAlive::Shared {
public:
    //! Buffers kept queued with the driver, and their size. A driver drops
    //! what comes while it has no buffer (Windows MIDI Services after 1 ms at
    //! a message's start, 10 ms in its middle; Wine at once): room for several
    //! of the longest messages (4101 bytes) keeps a burst whole.
    static constexpr std::size_t kCount = 8;
    static constexpr std::size_t kBytes = 4096;

    WinMmInputBuffers();
    ~WinMmInputBuffers() override;
    WinMmInputBuffers(const WinMmInputBuffers&) = delete;
    WinMmInputBuffers& operator=(const WinMmInputBuffers&) = delete;

    //! The input callback to give midiInOpen (CALLBACK_FUNCTION), with this object as its instance.
    static void CALLBACK callback(HMIDIIN handle, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                  DWORD_PTR param2);

    MIDIHDR& header(std::size_t index) { return m_headers[index]; }
    //! Set by the callback whenever there is something for the worker.
    HANDLE wake() const { return m_wake; }

    //! Counts `header` as the driver's before it is queued.
    void lend(MIDIHDR* header);
    //! Takes back a header the driver refused to queue.
    void takeBack(MIDIHDR* header);
    //! The oldest buffer the driver handed back, or null.
    MIDIHDR* nextReturned();
    //! Buffers queued with the driver or handed back and not yet taken.
    std::size_t outstanding();
    //! True once the driver has sent MIM_CLOSE.
    bool closedByDriver();

private:
    void handBack(MIDIHDR* header);
    void markClosed();

    CRITICAL_SECTION m_lock;
    HANDLE m_wake = nullptr;
    std::array<MIDIHDR, kCount> m_headers{};
    std::array<std::array<std::uint8_t, kBytes>, kCount> m_buffers{};
    // Handed back and not yet taken, in order: a ring, as the callback may not allocate.
    std::array<MIDIHDR*, kCount> m_returned{};
    std::size_t m_firstReturned = 0;
    std::size_t m_returnedCount = 0;
    std::size_t m_withDriver = 0;
    bool m_closedByDriver = false;
};

}  // namespace platform
