#pragma once
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <jack/jack.h>

#include "JackClient.h"
#include "JackEventRing.h"
#include "WakeSignal.h"

//! A JACK client standing in for the instrument: every event on its input
//! port goes out of its output port in the same cycle, and a copy is kept
//! for the test to read.
class JackEchoClient {
public:
    explicit JackEchoClient(const std::string& serverName);

    bool ok() const { return m_client && m_in && m_out; }
    //! Full name of the port it reads.
    std::string inName() const { return jack_port_name(m_in); }
    //! Full name of the port it echoes to.
    std::string outName() const { return jack_port_name(m_out); }
    //! The events echoed so far, once there are `count` of them or `limit` has passed.
    std::vector<std::vector<std::uint8_t>> received(std::size_t count, std::chrono::milliseconds limit);
    //! Leaves the server: its ports go away.
    void close() { m_client.reset(); }

private:
    static int process(jack_nframes_t frames, void* argument);
    void takeEchoed();

    // Declared before the client, so no cycle runs any more when they go.
    platform::JackEventRing m_echoed{64 * 1024};
    platform::WakeSignal m_wake;
    std::vector<std::vector<std::uint8_t>> m_received;
    std::unique_ptr<platform::JackClient> m_client;
    jack_port_t* m_in = nullptr;
    jack_port_t* m_out = nullptr;
};
