#pragma once
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "InstrumentCore.h"
#include "JackClient.h"
#include "JackEventRing.h"
#include "JackMidiReceiver.h"

//! A simulated instrument on a JACK server: one MIDI input and one MIDI
//! output port. The process callback only moves bytes through two lock-free
//! rings (the receiver's and one for replies); a worker thread runs the model
//! and holds replies back for the configured latency and link speed.
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
    //! Keeps every byte received from now on (received()).
    void keepReceived() { m_core.keepReceived(); }
    //! The bytes received since keepReceived(), as they came.
    std::vector<std::uint8_t> received() const { return m_core.received(); }
    //! What the instrument received and did so far.
    platform::SimulatedInstrument::Statistics statistics() const;

private:
    static int process(jack_nframes_t frames, void* argument);
    void sendEvents(jack_nframes_t frames);
    void workLoop();
    void queueDueReplies();
    void vanish();

    InstrumentCore m_core;
    std::unique_ptr<platform::JackClient> m_client;
    jack_port_t* m_input = nullptr;
    jack_port_t* m_output = nullptr;
    platform::JackMidiReceiver m_receiver;                                      // callback -> worker
    platform::JackEventRing m_toSend{platform::JackMidiReceiver::kRingBytes};  // worker -> callback
    std::atomic<bool> m_stopRequested{false};
    std::thread m_worker;
};
