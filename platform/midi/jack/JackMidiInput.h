#pragma once
#include <atomic>
#include <memory>
#include <semaphore>
#include <string>
#include <thread>
#include <vector>

#include "JackClient.h"
#include "JackEventRing.h"
#include "MidiInput.h"
#include "SysExAssembler.h"

namespace platform {

//! Our JACK MIDI input port, connected from one port of another client.
//! The process callback copies incoming events into a lock-free ring; a
//! reader thread of our own assembles them into System Exclusive messages
//! and delivers each complete one, so nothing slow runs in the real-time
//! cycle.
class JackMidiInput : public MidiInput {
public:
    //! Opens a client with one input port and connects `source` to it.
    static MidiResult open(const std::string& serverName, const std::string& clientName, const std::string& source,
                           MidiInCallback callback, void* instance, std::unique_ptr<MidiInput>& port);
    ~JackMidiInput() override;

    //! Bytes the ring holds: several of the longest (4101-byte) messages.
    static constexpr std::size_t kRingBytes = 64 * 1024;
    //! Longest sleep of the reader between looks at its stop request.
    static constexpr int kWakeIntervalMs = 50;

    //! Events lost because the reader fell behind and the ring was full.
    std::size_t overruns() const { return m_overruns.load(); }

protected:
    MidiResult startDevice() override;
    void stopDevice() override;

private:
    JackMidiInput(MidiInCallback callback, void* instance);
    static int process(jack_nframes_t frames, void* argument);
    void processCycle(jack_nframes_t frames);
    void wakeReader();
    void readLoop();
    void drainRing(bool deliver);

    std::unique_ptr<JackClient> m_client;
    jack_port_t* m_port = nullptr;
    JackEventRing m_ring{kRingBytes};
    // The callback releases the semaphore only when it turns m_wakePending
    // from false to true, and the reader clears it only after acquiring, so
    // the count never exceeds one.
    std::binary_semaphore m_wake{0};
    std::atomic<bool> m_wakePending{false};
    std::atomic<bool> m_listening{false};
    std::atomic<bool> m_stopRequested{false};
    std::atomic<std::size_t> m_overruns{0};
    SysExAssembler m_assembler;
    std::vector<std::uint8_t> m_event;
    std::thread m_reader;
};

}  // namespace platform
