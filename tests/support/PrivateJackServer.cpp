#include "PrivateJackServer.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "JackClient.h"

namespace {

constexpr auto kStep = std::chrono::milliseconds(20);

// libjack leaves a server's semaphores and segments in /dev/shm when clients
// outlive it (as the shutdown tests arrange); the name is ours alone.
void removeSharedMemoryOf(const std::string& serverName)
{
    std::error_code error;
    const std::string marker = "_" + serverName + "_";
    for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", error))
        if (entry.path().filename().string().find(marker) != std::string::npos)
            std::filesystem::remove(entry.path(), error);
}

}  // namespace

PrivateJackServer::PrivateJackServer(const std::string& tag)
    : m_name("vantrel-test-" + tag + "-" + std::to_string(getpid()))
{
    // The server goes down with the test even when the test crashes.
    if (m_jackd.Start({"jackd", "--no-realtime", "-n", m_name, "-S", "-d", "dummy", "-r", "48000", "-p", "256"}, {},
                      "/dev/null"))
        m_ready = waitUntilReachable();
}

PrivateJackServer::~PrivateJackServer()
{
    stop();
    removeSharedMemoryOf(m_name);
}

void PrivateJackServer::stop()
{
    m_jackd.Stop();
    m_ready = false;
}

bool PrivateJackServer::waitUntilReachable()
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    // jackd that gave up (no shared memory, no permission...) ends the wait.
    while (std::chrono::steady_clock::now() < deadline && m_jackd.Running()) {
        platform::MidiResult result;
        if (platform::JackClient::open("vantrel-test-probe", m_name, result))
            return true;
        std::this_thread::sleep_for(kStep);
    }
    return false;
}
