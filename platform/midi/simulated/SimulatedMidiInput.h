#pragma once
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "MidiInput.h"
#include "TimedCall.h"

namespace platform {

class SimulatedLink;

//! The simulated instrument's MIDI input device. Replies are handed over by
//! the link with the time they are due and delivered in the background when
//! due, as a driver would: on a thread of the input's own, or in a page from
//! the browser's event loop.
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

    //! Delivers every reply that is due; returns when the next one is.
    std::optional<std::chrono::steady_clock::time_point> deliverDue();

    std::shared_ptr<SimulatedLink> m_link;
    std::mutex m_mutex;
    std::deque<PendingReply> m_pending;
    bool m_running = false;
    TimedCall m_delivery;  // last: it runs deliverDue until it is destroyed
};

}  // namespace platform
