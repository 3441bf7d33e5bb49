#pragma once
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <utility>
#include <vector>

#include "MidiTypes.h"
#include "SimulatedInstrument.h"

namespace platform {

class SimulatedMidiInput;

//! One message as it reached the simulated instrument.
struct RecordedMidiMessage {
    std::vector<std::uint8_t> bytes;
    std::chrono::steady_clock::time_point time;  //!< when the last byte arrived
};

//! The cable between the program's ports and one simulated instrument. The
//! backend and every port opened from it share it, so a port stays usable
//! even when the backend is dropped first. All access to the model goes
//! through its mutex.
class SimulatedLink {
public:
    //! Memory the recorded messages take at most; the oldest go first (a long
    //! GUI session or a large image must not grow without end).
    static constexpr std::size_t kMaxRecordedBytes = 16u << 20;
    //! What a recorded message takes beside its bytes: its entry and the heap's
    //! block header. A read-back sends half a million five-byte requests for a
    //! 16 MiB image, so this, not the bytes, is most of the record.
    static constexpr std::size_t kRecordOverheadBytes = sizeof(RecordedMidiMessage) + 32;

    //! A link to a new instrument built from `config`.
    explicit SimulatedLink(SimulatedInstrument::Config config);

    //! Puts one message on the wire: the instrument takes it and its replies
    //! are scheduled on the open input at once, timed as if the message's last
    //! byte arrived at `arrival`, the moment its wire time is over.
    MidiResult start(const std::uint8_t* message, std::size_t length,
                     std::chrono::steady_clock::time_point& arrival);

    //! False once the instrument has vanished from the system.
    bool isPresent() const;
    //! Reserves the output device; kMidiAllocated while it is taken.
    MidiResult claimOutput();
    //! Frees the output device.
    void releaseOutput();
    //! Makes `input` the receiver of replies; kMidiAllocated while another one is.
    MidiResult claimInput(SimulatedMidiInput* input);
    //! Stops replies going to `input`; no effect if it is not the receiver.
    void releaseInput(SimulatedMidiInput* input);

    //! A copy of the messages the instrument received, in order (the latest that fit kMaxRecordedBytes).
    std::vector<RecordedMidiMessage> recordedMessages() const;
    //! Forgets the recorded messages.
    void clearRecordedMessages();

    //! Runs `f(SimulatedInstrument&)` under the link's lock and returns its result.
    template <class F>
    auto withInstrument(F&& f)
    {
        std::lock_guard lock(m_mutex);
        return std::forward<F>(f)(m_instrument);
    }

private:
    MidiResult failureFor(SimulatedInstrument::LinkState state) const;
    void record(const std::uint8_t* message, std::size_t length, std::chrono::steady_clock::time_point arrived);

    mutable std::mutex m_mutex;
    SimulatedInstrument m_instrument;
    std::deque<RecordedMidiMessage> m_recorded;
    std::size_t m_recordedBytes = 0;
    bool m_outputOpen = false;
    SimulatedMidiInput* m_input = nullptr;  // the receiver of replies, if any
};

}  // namespace platform
