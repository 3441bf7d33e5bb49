// Reply waits that end the moment a reply is announced. Counted, not timed:
// a poll is given a whole minute, so it can only end early by being woken,
// however loaded the machine is. Runs under ThreadSanitizer in CI: no Qt.
#include <gtest/gtest.h>
#include <thread>

#include "EventPump.h"
#include "MidiReply.h"
#include "WakeSignal.h"
#include "WordWait.h"

using namespace std::chrono_literals;

namespace {

constexpr auto kMinute = std::chrono::microseconds(1min);

int g_polls = 0;  // every poll ends with one dispatch
bool CountPoll()
{
    ++g_polls;
    return true;
}

}  // namespace

TEST(WakeSignalTest, CallDuringOrBeforeTheWaitEndsIt)
{
    for (const auto callAfter : {0ms, 2ms}) {
        platform::WakeSignal signal;
        const std::uint32_t seen = signal.generation();
        std::thread caller([&] {
            std::this_thread::sleep_for(callAfter);
            signal.notify();
        });
        EXPECT_TRUE(signal.waitFor(seen, kMinute)) << "a minute-long wait ran out: the call did not wake it";
        caller.join();
    }
}

TEST(WakeSignalTest, WaitWithoutACallRunsOut)
{
    platform::WakeSignal signal;
    signal.notify();  // an earlier call does not count for a wait that begins after it
    EXPECT_FALSE(signal.waitFor(signal.generation(), 1ms));
}

// A time-out rounded down to nothing, or taken as a point in time (positive),
// would make every short wait of the simulated link end at once.
TEST(WordWaitTest, NativeTimeOutCountsFromNowInWholeStepsRoundedUp)
{
    const struct {
        std::chrono::nanoseconds timeout;
        std::int64_t ticks;
    } cases[] = {{1ns, -1}, {100ns, -1}, {101ns, -2}, {160us, -1600}, {1ms, -10'000}};
    for (const auto& c : cases)
        EXPECT_EQ(platform::RelativeWaitTicks(c.timeout), c.ticks) << c.timeout.count() << " ns";
}

class AwaitReplyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearReplyReady();
        g_polls = 0;
        platform::SetPumpHook(&CountPoll);
    }
    void TearDown() override
    {
        platform::SetPumpHook(nullptr);
        ClearReplyReady();
    }
};

TEST_F(AwaitReplyTest, ReplyAlreadyThereIsTakenWithoutAPoll)
{
    PublishReply();
    EXPECT_TRUE(AwaitReply(100, kMinute));
    EXPECT_EQ(g_polls, 0);
}

TEST_F(AwaitReplyTest, ReplyArrivingDuringAPollEndsItEarly)
{
    constexpr int kReplies = 20;
    const auto started = std::chrono::steady_clock::now();
    for (int reply = 0; reply < kReplies; ++reply) {
        ClearReplyReady();
        std::thread device([] {
            std::this_thread::sleep_for(1ms);
            PublishReply();
        });
        EXPECT_TRUE(AwaitReply(2, kMinute));
        device.join();
    }
    EXPECT_LE(g_polls, kReplies) << "at most the one poll the reply arrived in";
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1min) << "a poll ran to its end";
}

TEST_F(AwaitReplyTest, NoReplyGivesUpAfterEveryPoll)
{
    EXPECT_FALSE(AwaitReply(100, 1ms));
    EXPECT_EQ(g_polls, 100);
}
