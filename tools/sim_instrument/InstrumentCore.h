#pragma once
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "SimulatedInstrument.h"
#include "SysExAssembler.h"

//! The standalone instrument's model behind any transport: assembles the
//! received byte stream into messages, runs them through the flash model and
//! holds each reply back for the configured latency and link speed. Feeding and taking
//! replies belong to one worker thread; the flash and the counters may be
//! read from any thread.
class InstrumentCore {
public:
    using Clock = std::chrono::steady_clock;

    explicit InstrumentCore(platform::SimulatedInstrument::Config config);

    //! Feeds received bytes. Returns true when the instrument vanished on this
    //! piece (the transport then cuts its connections); later bytes are ignored.
    bool feed(const std::uint8_t* bytes, std::size_t length);
    //! Runs one complete message, for a transport that assembles its own.
    //! Returns true when the instrument vanished on it, as feed does.
    bool receive(const std::uint8_t* message, std::size_t length);
    //! Keeps every byte received from now on, in the order it came (received()).
    void keepReceived();
    //! The bytes received since keepReceived(), as they came, lost pieces and all.
    std::vector<std::uint8_t> received() const;
    //! Forgets a message in progress and every reply not yet sent (the link was interrupted).
    void interrupt();

    //! The first reply if it is due at `now`, else null.
    const std::vector<std::uint8_t>* dueReply(Clock::time_point now) const;
    //! Drops the first reply (after it was sent).
    void popReply();
    //! How long until the first reply is due, at most `longest`.
    std::chrono::milliseconds timeToNextReply(Clock::time_point now, std::chrono::milliseconds longest) const;

    //! Stores `words` from word 0 on, bypassing the flash rules.
    void preload(const std::vector<std::uint16_t>& words);
    //! A copy of the flash contents, one entry per word.
    std::vector<std::uint16_t> flash() const;
    //! What the instrument received and did so far.
    platform::SimulatedInstrument::Statistics statistics() const;

private:
    struct Reply {
        Clock::time_point due;
        std::vector<std::uint8_t> bytes;
    };

    //! Runs one complete message through the model; true when the instrument vanished on it.
    bool run(const std::uint8_t* message, std::size_t length);
    void keep(const std::uint8_t* bytes, std::size_t length);

    mutable std::mutex m_modelMutex;
    platform::SimulatedInstrument m_instrument;
    platform::SysExAssembler m_assembler;
    std::deque<Reply> m_replies;
    Clock::time_point m_linkFreeAt{};  // when the simulated link has carried everything received
    bool m_vanished = false;
    bool m_keepReceived = false;
    std::vector<std::uint8_t> m_received;
};
