#include "PrivateJackServer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "JackClient.h"

namespace {

constexpr auto kStep = std::chrono::milliseconds(20);

bool reapWithin(pid_t pid, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || done < 0)
            return true;
        std::this_thread::sleep_for(kStep);
    }
    return false;
}

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
    std::vector<std::string> args = {"jackd", "--no-realtime", "-n", m_name, "-S",  "-d",
                                     "dummy", "-r",            "48000", "-p", "256"};
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    const pid_t parent = getpid();
    m_pid = fork();
    if (m_pid == 0) {
        // Only async-signal-safe calls until exec. The server goes down with
        // the test even when the test crashes: a machine holds only a few
        // JACK servers, and orphans would make every later run skip.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(127);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        execvp("jackd", argv.data());
        _exit(127);
    }
    if (m_pid < 0) {
        m_pid = -1;
        return;
    }
    m_ready = waitUntilReachable();
}

PrivateJackServer::~PrivateJackServer()
{
    stop();
    removeSharedMemoryOf(m_name);
}

void PrivateJackServer::stop()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    if (!reapWithin(m_pid, kStopTimeoutMs)) {
        kill(m_pid, SIGKILL);
        reapWithin(m_pid, kStopTimeoutMs);
    }
    m_pid = -1;
    m_ready = false;
}

bool PrivateJackServer::waitUntilReachable()
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;  // jackd gave up (no shared memory, no permission...)
            return false;
        }
        platform::MidiResult result;
        if (platform::JackClient::open("vantrel-test-probe", m_name, result))
            return true;
        std::this_thread::sleep_for(kStep);
    }
    return false;
}
