#pragma once
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "JackClient.h"
#include "JackMidiReceiver.h"
#include "MidiInput.h"

namespace platform {

//! Our JACK MIDI input port, connected from one port of another client.
//! A reader thread of our own delivers each complete System Exclusive
//! message that the receiver assembled from the port's events.
class JackMidiInput : public MidiInput {
public:
    //! Opens a client with one input port and connects `source` to it.
    static MidiResult open(const std::string& serverName, const std::string& clientName, const std::string& source,
                           MidiInCallback callback, void* instance, std::unique_ptr<MidiInput>& port);
    ~JackMidiInput() override;

    //! Events lost because the reader fell behind and the ring was full.
    std::size_t overruns() const { return m_receiver.overruns(); }

protected:
    MidiResult startDevice() override;
    void stopDevice() override;

private:
    JackMidiInput(MidiInCallback callback, void* instance);
    static int process(jack_nframes_t frames, void* argument);
    void processCycle(jack_nframes_t frames);
    void readLoop();

    std::unique_ptr<JackClient> m_client;
    jack_port_t* m_port = nullptr;
    JackMidiReceiver m_receiver;
    std::atomic<bool> m_listening{false};
    std::atomic<bool> m_stopRequested{false};
    std::thread m_reader;
};

}  // namespace platform
