#pragma once
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "JackClient.h"
#include "MidiOutput.h"
#include "WakeSignal.h"

namespace platform {

//! Our JACK MIDI output port, connected to one port of another client.
//! A send hands one message to the process callback, which writes it whole
//! as one event; the send is over once a cycle has done so, and a waiting
//! sender is woken by that cycle.
class JackMidiOutput : public MidiOutput {
public:
    //! Opens a client with one output port and connects it to `destination`.
    static MidiResult open(const std::string& serverName, const std::string& clientName,
                           const std::string& destination, std::unique_ptr<MidiOutput>& port);
    ~JackMidiOutput() override;

    MidiResult sendSysEx(const std::uint8_t* message, std::size_t length) override;
    MidiResult startSysEx(const std::uint8_t* message, std::size_t length) override;
    MidiResult sendState() override;
    void waitSent(std::chrono::microseconds timeout) override;
    //! kMidiStillPlaying until a cycle has taken the started message (or the
    //! send failed), otherwise leaves the server.
    MidiResult close() override;

    //! Longest wait for the process callback to take a message; a stalled
    //! server fails the send after this instead of hanging it.
    static constexpr int kCycleTimeoutMs = 2000;

private:
    enum State : int { Idle, Pending, Writing, Written, TooLarge, WriteFailed };

    JackMidiOutput(std::unique_ptr<JackClient> client, jack_port_t* port, std::string destination);
    //! Leaves the server at once; a message not yet taken is dropped.
    void release();
    static int process(jack_nframes_t frames, void* argument);
    void processCycle(jack_nframes_t frames);
    //! The cycle's outcome, or Pending/Writing while none has come yet.
    int cycleOutcome();
    MidiResult resultOf(int outcome) const;
    MidiResult failure(int code, const std::string& why) const;

    std::unique_ptr<JackClient> m_client;
    jack_port_t* m_port = nullptr;
    std::string m_destination;
    std::vector<std::uint8_t> m_message;          // read by the callback only while Pending/Writing
    std::atomic<int> m_state{Idle};
    std::atomic<std::size_t> m_maxEventSize{0};   // what the last refused cycle could hold
    WakeSignal m_cycleDone;                       // given by the callback once it took or refused the message
    std::chrono::steady_clock::time_point m_deadline;  // of the message in flight
    bool m_sending = false;                       // a started message has no outcome yet
    MidiResult m_lastResult;                      // the outcome of the last message
    bool m_broken = false;                        // a cycle never finished: m_message may still be in use
};

}  // namespace platform
