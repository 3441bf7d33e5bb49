#pragma once
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "MidiInput.h"
#include "WakeSignal.h"

namespace platform {

class SimulatedLink;

//! The simulated instrument's MIDI input device. Replies are handed over by
//! the link with the time they are due and delivered on the input's own
//! thread, as a driver would.
class SimulatedMidiInput : public MidiInput {
public:
    //! An input fed by `link`; it receives replies once it has been started.
    SimulatedMidiInput(MidiInCallback callback, void* instance, std::shared_ptr<SimulatedLink> link);
    ~SimulatedMidiInput() override;

    //! Schedules one complete message for delivery at `due`; dropped while the input is not running.
    void enqueueReply(std::vector<std::uint8_t> message, std::chrono::steady_clock::time_point due);
    //! Drops every reply not yet delivered.
    void discardPending();

protected:
    MidiResult startDevice() override;
    void stopDevice() override;

private:
    struct PendingReply {
        std::vector<std::uint8_t> message;
        std::chrono::steady_clock::time_point due;
    };

    void deliveryLoop();
    //! Time left until the first pending reply is due (a long idle wait with none); the caller holds m_mutex.
    std::chrono::microseconds untilFirstDue() const;
    void joinDeliveryThread();

    std::shared_ptr<SimulatedLink> m_link;
    std::mutex m_mutex;
    WakeSignal m_wake;  // given when a reply is queued and when the input stops
    std::deque<PendingReply> m_pending;
    bool m_running = false;
    bool m_stopping = false;
    std::thread m_thread;
};

}  // namespace platform
