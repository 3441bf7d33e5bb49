#pragma once
#include <string>

#include "ChildProcess.h"

//! A jackd of our own on the dummy driver, under a name no one else uses,
//! so tests never touch (or depend on) a server the user runs.
class PrivateJackServer {
public:
    //! Starts `jackd --no-realtime -n <name> -S -d dummy -r 48000 -p 256`.
    explicit PrivateJackServer(const std::string& tag);
    ~PrivateJackServer();
    PrivateJackServer(const PrivateJackServer&) = delete;
    PrivateJackServer& operator=(const PrivateJackServer&) = delete;

    //! True once a client could connect (within kStartTimeoutMs).
    bool running() const { return m_ready; }
    const std::string& name() const { return m_name; }
    //! Stops the server (SIGTERM, SIGKILL if it lingers) and reaps it.
    void stop();

    static constexpr int kStartTimeoutMs = 5000;

private:
    bool waitUntilReachable();

    std::string m_name;
    ChildProcess m_jackd;
    bool m_ready = false;
};
