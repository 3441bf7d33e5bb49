#pragma once
#include <atomic>
#include <memory>
#include <semaphore>
#include <string>
#include <thread>
#include <vector>

#include "InstrumentCore.h"
#include "JackClient.h"
#include "JackEventRing.h"

//! A simulated instrument on a JACK server: one MIDI input and one MIDI
//! output port. The process callback only moves bytes through two lock-free
//! rings; a worker thread runs the model and holds replies back for the
//! configured latency and link speed.
class JackInstrumentClient {
public:
    explicit JackInstrumentClient(platform::SimulatedInstrument::Config config);
    ~JackInstrumentClient();
    JackInstrumentClient(const JackInstrumentClient&) = delete;
    JackInstrumentClient& operator=(const JackInstrumentClient&) = delete;

    //! Joins `serverName` (empty: default) as `clientName` and starts serving.
    platform::MidiResult open(const std::string& clientName, const std::string& serverName);
    //! Stops the callbacks and the worker. Safe to call twice.
    void close();

    //! Full names of our ports, for connecting from outside.
    std::string inputPortName() const;
    std::string outputPortName() const;
    //! True once the JACK server has gone away.
    bool serverGone() const;

    //! Stores `words` from word 0 on, bypassing the flash rules.
    void preload(const std::vector<std::uint16_t>& words);
    //! A copy of the flash contents, one entry per word.
    std::vector<std::uint16_t> flash() const;
    //! What the instrument received and did so far.
    platform::SimulatedInstrument::Statistics statistics() const;

    //! Bytes in each ring: several of the longest (4101-byte) messages.
    static constexpr std::size_t kRingBytes = 64 * 1024;
    //! Longest sleep of the worker between looks at its stop request.
    static constexpr int kWakeIntervalMs = 50;

private:
    static int process(jack_nframes_t frames, void* argument);
    void receiveEvents(jack_nframes_t frames);
    void sendEvents(jack_nframes_t frames);
    void wakeWorker();
    void workLoop();
    void takeReceivedEvents();
    void queueDueReplies();
    void vanish();

    InstrumentCore m_core;
    std::unique_ptr<platform::JackClient> m_client;
    jack_port_t* m_input = nullptr;
    jack_port_t* m_output = nullptr;
    platform::JackEventRing m_received{kRingBytes};  // callback -> worker
    platform::JackEventRing m_toSend{kRingBytes};    // worker -> callback
    std::binary_semaphore m_wake{0};
    std::atomic<bool> m_wakePending{false};
    std::atomic<bool> m_stopRequested{false};
    std::vector<std::uint8_t> m_event;
    std::thread m_worker;
};
