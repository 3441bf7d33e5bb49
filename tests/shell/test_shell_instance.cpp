// One copy per program name: the lock itself, and the real program started
// twice as processes.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <optional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "SingleInstanceLock.h"

using platform::SingleInstanceLock;

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Limits of the waits on child processes (the sanitizer build starts slowly).
constexpr auto kStartLimit = 15s;
constexpr auto kExitLimit = 15s;
constexpr auto kPollStep = 20ms;

fs::path MakeTempDirectory(const std::string& tag)
{
    const fs::path dir = fs::temp_directory_path() / ("shell-" + tag + "-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

// True when process `pid` holds an flock on one of its open files.
bool HoldsFlock(pid_t pid)
{
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fdinfo", error)) {
        std::ifstream info(entry.path());
        std::stringstream text;
        text << info.rdbuf();
        if (text.str().find("FLOCK") != std::string::npos)
            return true;
    }
    return false;
}

// A child process whose output goes to a file; killed when the object goes.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv, const fs::path& log)
    {
        std::vector<std::string> env(extraEnv);
        for (char** e = environ; *e != nullptr; ++e)
            env.emplace_back(*e);  // earlier entries win for getenv
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        std::vector<char*> envp;
        for (const auto& e : env)
            envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        if (posix_spawn(&m_pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ChildProcess() { Kill(SIGKILL); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return m_pid; }

    //! Waits until the child holds a lock; false when it ended or the limit passed.
    bool WaitForLock()
    {
        const auto end = std::chrono::steady_clock::now() + kStartLimit;
        while (std::chrono::steady_clock::now() < end) {
            if (!IsRunning())
                return false;
            if (HoldsFlock(m_pid))
                return true;
            std::this_thread::sleep_for(kPollStep);
        }
        return false;
    }

    //! Waits for the child's end; its exit code, or -1 when it did not end in time.
    int WaitForExit()
    {
        const auto end = std::chrono::steady_clock::now() + kExitLimit;
        while (std::chrono::steady_clock::now() < end) {
            if (!IsRunning())
                return m_exitCode;
            std::this_thread::sleep_for(kPollStep);
        }
        return -1;
    }

    bool IsRunning()
    {
        if (m_pid <= 0)
            return false;
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) != m_pid)
            return true;
        m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        m_pid = -1;
        return false;
    }

    void Kill(int signal)
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, signal);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    int m_exitCode = -1;
};

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class SingleInstanceLockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = MakeTempDirectory("lock");
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        m_oldRuntime = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
        ::setenv("XDG_RUNTIME_DIR", m_dir.c_str(), 1);
    }
    void TearDown() override
    {
        if (m_oldRuntime)
            ::setenv("XDG_RUNTIME_DIR", m_oldRuntime->c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
        fs::remove_all(m_dir);
    }

    fs::path m_dir;
    std::optional<std::string> m_oldRuntime;
};

TEST_F(SingleInstanceLockTest, SecondHolderOfTheSameNameIsRefusedUntilTheFirstLetsGo)
{
    SingleInstanceLock first("vantrel");
    SingleInstanceLock second("vantrel");
    EXPECT_EQ(first.Path(), (m_dir / "vantrel.lock").string());
    ASSERT_EQ(first.Acquire(), SingleInstanceLock::Result::Acquired);
    EXPECT_EQ(second.Acquire(), SingleInstanceLock::Result::HeldElsewhere);
    EXPECT_FALSE(second.IsHeld());
    first.Release();
    EXPECT_EQ(second.Acquire(), SingleInstanceLock::Result::Acquired);
}

TEST_F(SingleInstanceLockTest, DifferentNamesDoNotSeeEachOther)
{
    SingleInstanceLock first("vantrel");
    SingleInstanceLock other("vantrel-copy");
    EXPECT_EQ(first.Acquire(), SingleInstanceLock::Result::Acquired);
    EXPECT_EQ(other.Acquire(), SingleInstanceLock::Result::Acquired);
}

TEST_F(SingleInstanceLockTest, NameCannotReachOutsideTheLockDirectory)
{
    SingleInstanceLock lock("../escape/x");
    EXPECT_EQ(fs::path(lock.Path()).parent_path(), m_dir);
}

TEST_F(SingleInstanceLockTest, LockThatCannotBeOpenedIsUnavailableNotHeld)
{
    fs::create_directory(m_dir / "blocked.lock");
    SingleInstanceLock lock("blocked");
    EXPECT_EQ(lock.Acquire(), SingleInstanceLock::Result::Unavailable);
}

TEST_F(SingleInstanceLockTest, ProgramsStartedByTheHolderDoNotInheritTheLock)
{
    SingleInstanceLock lock("vantrel");
    ASSERT_EQ(lock.Acquire(), SingleInstanceLock::Result::Acquired);
    ChildProcess child({"/bin/sleep", "5"}, {}, m_dir / "sleep.log");
    ASSERT_GT(child.Pid(), 0);
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(HoldsFlock(child.Pid()));
}

class SecondStartTest : public ::testing::Test {
protected:
    void SetUp() override { m_dir = MakeTempDirectory("start"); }
    void TearDown() override { fs::remove_all(m_dir); }

    std::unique_ptr<ChildProcess> Start(const std::string& program, const std::string& log)
    {
        return std::make_unique<ChildProcess>(std::vector<std::string>{program},
                                              std::vector<std::string>{"XDG_RUNTIME_DIR=" + m_dir.string(),
                                                                       "QT_QPA_PLATFORM=offscreen"},
                                              m_dir / log);
    }

    fs::path m_dir;
};

TEST_F(SecondStartTest, SecondCopyIsRefusedAndTheFirstRunsOn)
{
    auto first = Start(VANTREL_EXE, "first.log");
    ASSERT_TRUE(first->WaitForLock()) << ReadText(m_dir / "first.log");

    auto second = Start(VANTREL_EXE, "second.log");
    EXPECT_EQ(second->WaitForExit(), 0);
    EXPECT_NE(ReadText(m_dir / "second.log").find("vantrel: The program is current running!"), std::string::npos)
        << ReadText(m_dir / "second.log");
    EXPECT_TRUE(first->IsRunning());
}

TEST_F(SecondStartTest, CopyUnderAnotherNameRunsBesideTheFirst)
{
    const fs::path copy = m_dir / "vantrel-copy";
    fs::copy_file(VANTREL_EXE, copy);
    auto first = Start(VANTREL_EXE, "first.log");
    ASSERT_TRUE(first->WaitForLock());
    auto other = Start(copy.string(), "copy.log");
    EXPECT_TRUE(other->WaitForLock()) << ReadText(m_dir / "copy.log");
    EXPECT_TRUE(first->IsRunning());
}

TEST_F(SecondStartTest, StartAfterTheFirstCrashedRunsNormally)
{
    auto first = Start(VANTREL_EXE, "first.log");
    ASSERT_TRUE(first->WaitForLock());
    first->Kill(SIGKILL);
    auto next = Start(VANTREL_EXE, "next.log");
    EXPECT_TRUE(next->WaitForLock()) << ReadText(m_dir / "next.log");
}

}  // namespace
