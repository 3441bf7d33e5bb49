// One copy per program name: the lock itself, and the real program started
// twice as processes.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "ChildProcess.h"
#include "ScratchDirectory.h"
#include "SingleInstanceLock.h"

using platform::SingleInstanceLock;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Limits of the waits on child processes (the sanitizer build starts slowly).
constexpr auto kStartLimit = 15s;
constexpr auto kExitLimit = 15s;
constexpr auto kPollStep = 20ms;

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

// Polls `done` until it holds or `limit` has passed.
template <class Condition>
bool PollUntil(Condition done, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(kPollStep);
    }
    return true;
}

// Waits until the child holds a lock; false when it ended or the limit passed.
bool WaitForLock(ChildProcess& child)
{
    return PollUntil([&] { return !child.Running() || HoldsFlock(child.Pid()); }, kStartLimit) && child.Running();
}

// Waits for the child's end: its exit code, or -1 when it did not end in time.
int WaitForExit(ChildProcess& child)
{
    return PollUntil([&] { return !child.Running(); }, kExitLimit) ? child.Wait().exitCode : -1;
}

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
    }

    ScratchDirectory m_scratch;
    const fs::path& m_dir = m_scratch.path();
    std::optional<std::string> m_oldRuntime;
};

TEST_F(SingleInstanceLockTest, LockFileLiesInTheRuntimeDirectory)
{
    SingleInstanceLock lock("vantrel");
    EXPECT_EQ(lock.Path(), (m_dir / "vantrel.lock").string());
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
    ChildProcess child;
    ASSERT_TRUE(child.Start({"/bin/sleep", "5"}, {}, (m_dir / "sleep.log").string()));  // returns after the exec
    EXPECT_FALSE(HoldsFlock(child.Pid()));
}

class SecondStartTest : public ::testing::Test {
protected:
    std::unique_ptr<ChildProcess> Start(const std::string& program, const std::string& log)
    {
        auto child = std::make_unique<ChildProcess>();
        EXPECT_TRUE(child->Start({program}, {"XDG_RUNTIME_DIR=" + m_dir.string(), "QT_QPA_PLATFORM=offscreen"},
                                 (m_dir / log).string()));
        return child;
    }

    ScratchDirectory m_scratch;
    const fs::path& m_dir = m_scratch.path();
};

TEST_F(SecondStartTest, SecondCopyIsRefusedAndTheFirstRunsOn)
{
    auto first = Start(VANTREL_EXE, "first.log");
    ASSERT_TRUE(WaitForLock(*first)) << ReadText(m_dir / "first.log");

    auto second = Start(VANTREL_EXE, "second.log");
    EXPECT_EQ(WaitForExit(*second), 0);
    EXPECT_NE(ReadText(m_dir / "second.log").find("vantrel: The program is current running!"), std::string::npos)
        << ReadText(m_dir / "second.log");
    EXPECT_TRUE(first->Running());
}

TEST_F(SecondStartTest, CopyUnderAnotherNameRunsBesideTheFirst)
{
    const fs::path copy = m_dir / "vantrel-copy";
    fs::copy_file(VANTREL_EXE, copy);
    auto first = Start(VANTREL_EXE, "first.log");
    ASSERT_TRUE(WaitForLock(*first));
    auto other = Start(copy.string(), "copy.log");
    EXPECT_TRUE(WaitForLock(*other)) << ReadText(m_dir / "copy.log");
    EXPECT_TRUE(first->Running());
}

TEST_F(SecondStartTest, StartAfterTheFirstCrashedRunsNormally)
{
    auto first = Start(VANTREL_EXE, "first.log");
    ASSERT_TRUE(WaitForLock(*first));
    ::kill(first->Pid(), SIGKILL);
    first->Wait();
    auto next = Start(VANTREL_EXE, "next.log");
    EXPECT_TRUE(WaitForLock(*next)) << ReadText(m_dir / "next.log");
}

}  // namespace
