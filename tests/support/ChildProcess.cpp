#include "ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

namespace {

constexpr auto kReapStep = std::chrono::milliseconds(20);

std::vector<char*> Pointers(std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// This process's environment with `added` ("NAME=value") put in place of
// entries of the same name: getenv would find the first of two.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& added)
{
    const auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string inherited(*entry);
        const bool replaced = std::any_of(added.begin(), added.end(),
                                          [&](const std::string& a) { return nameOf(a) == nameOf(inherited); });
        if (!replaced)
            env.push_back(inherited);
    }
    env.insert(env.end(), added.begin(), added.end());
    return env;
}

// True when the child's end of `pipe` closed without a word: its exec succeeded.
bool WaitForExec(int pipe)
{
    int error = 0;
    ssize_t got = 0;
    do
        got = read(pipe, &error, sizeof error);
    while (got < 0 && errno == EINTR);
    return got == 0;
}

}  // namespace

ChildProcess::~ChildProcess() { Stop(); }

bool ChildProcess::Start(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                         const std::string& logPath)
{
    std::vector<std::string> args = argv;
    std::vector<std::string> env = EnvironmentWith(environment);
    std::vector<char*> argPointers = Pointers(args);
    std::vector<char*> envPointers = Pointers(env);

    // Closed by a successful exec; a failed one writes its errno into it.
    int execReport[2];
    if (pipe2(execReport, O_CLOEXEC) != 0)
        return false;
    const pid_t parent = getpid();
    m_pid = fork();
    if (m_pid == 0) {
        // Only async-signal-safe calls until exec. A JACK server left behind
        // would make every later run find its name taken, and a machine holds
        // only a few of them.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(127);
        const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (log >= 0) {
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
        }
        execvpe(argPointers[0], argPointers.data(), envPointers.data());
        const int error = errno;
        [[maybe_unused]] const ssize_t written = write(execReport[1], &error, sizeof error);
        _exit(127);
    }
    close(execReport[1]);
    // Until the exec the child holds copies of this process's descriptors.
    const bool execed = m_pid > 0 && WaitForExec(execReport[0]);
    close(execReport[0]);
    if (m_pid > 0 && !execed) {
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    return execed;
}

bool ChildProcess::Running()
{
    if (m_pid <= 0)
        return false;
    siginfo_t info{};
    // WNOWAIT: an ended program stays to be reaped by Wait with its usage.
    return waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0;
}

ChildProcess::Result ChildProcess::Wait()
{
    Result result;
    int status = 0;
    if (m_pid <= 0 || wait4(m_pid, &status, 0, &result.usage) != m_pid)
        return result;
    m_pid = -1;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

void ChildProcess::Stop()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    if (!ReapWithin(kStopTimeoutMs)) {
        kill(m_pid, SIGKILL);
        ReapWithin(kStopTimeoutMs);
    }
    m_pid = -1;
}

bool ChildProcess::ReapWithin(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        const pid_t done = waitpid(m_pid, nullptr, WNOHANG);
        if (done == m_pid || done < 0)
            return true;
        std::this_thread::sleep_for(kReapStep);
    }
    return false;
}
