#pragma once
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include <jack/jack.h>

#include "MidiTypes.h"

namespace platform {

//! One connection to a JACK server: opening without ever starting a server,
//! MIDI port registration, activation, connections, and the server's
//! shutdown notice. Closing stops the process callback before it returns, so
//! an owner may free the callback's buffers afterwards.
class JackClient {
public:
    //! Opens client `name` on `serverName` (empty: the default server, which
    //! honours JACK_DEFAULT_SERVER). Returns null with `result` set when no
    //! server runs; libjack's own messages stay quiet meanwhile.
    static std::unique_ptr<JackClient> open(const std::string& name, const std::string& serverName,
                                            MidiResult& result);
    ~JackClient();
    JackClient(const JackClient&) = delete;
    JackClient& operator=(const JackClient&) = delete;

    //! The name the server gave us (it may add a suffix to keep names unique).
    std::string name() const;
    //! The libjack client, for the calls this class does not wrap; null once closed.
    jack_client_t* handle() const { return m_client; }
    //! True once the server has shut down or thrown us out.
    bool serverGone() const { return m_serverGone.load(std::memory_order_acquire); }

    //! Registers a MIDI port named `shortName`, or returns null.
    jack_port_t* registerMidiPort(const std::string& shortName, bool output);
    //! Installs the process callback (before activation) and activates.
    MidiResult activate(JackProcessCallback process, void* argument);
    //! Connects port `source` to port `destination` (full names).
    MidiResult connect(const std::string& source, const std::string& destination);
    //! Full names of the server's MIDI ports with all of `flags`
    //! (JackPortIsInput: ports one writes to; JackPortIsOutput: ports one reads).
    std::vector<std::string> midiPorts(unsigned long flags) const;
    //! Stops the callbacks and leaves the server. Safe to call twice.
    void close();

    //! Text for a server that is gone, as shown to the user.
    static std::string serverGoneText();

private:
    explicit JackClient(jack_client_t* client);
    static void onShutdown(void* argument);

    jack_client_t* m_client = nullptr;
    std::atomic<bool> m_serverGone{false};
    bool m_active = false;
};

}  // namespace platform
