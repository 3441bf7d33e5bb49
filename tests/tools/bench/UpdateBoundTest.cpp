// The benchmark's lower bound: the traffic it counts must be the traffic the
// update really exchanges (the traced exchange of the engine tests), and the
// time follows from the link.
#include <gtest/gtest.h>

#include "TracedExchange.h"
#include "UpdateBound.h"

namespace {

constexpr unsigned kReplyWords = 16;
constexpr std::uint64_t kReplyBytes = 4 * kReplyWords + 2;

}  // namespace

TEST(UpdateBoundTest, CountsTheTracedExchange)
{
    const bench::UpdateTraffic traffic = bench::CountTraffic(4, {0}, kReplyWords, true);
    std::uint64_t bytes = 0;
    std::uint64_t requests = 0;
    std::chrono::milliseconds waits{0};
    for (const TracedMessage& message : TracedExchange()) {
        bytes += message.bytes.size();
        requests += message.bytes == Msg(0x08);
        waits += message.waitBefore;
    }
    EXPECT_EQ(traffic.messagesSent, TracedExchange().size());
    EXPECT_EQ(traffic.bytesSent, bytes);
    EXPECT_EQ(traffic.replies, requests);
    EXPECT_EQ(traffic.bytesReceived, requests * kReplyBytes);
    EXPECT_EQ(traffic.erases, 1u);
    EXPECT_EQ(traffic.fixedWaitMs, static_cast<std::uint64_t>(waits.count()));
}

TEST(UpdateBoundTest, ErasesOnlyAtChunkStartsAndReadsBackWholeChunks)
{
    // 1025 words: chunks at 0 and 0x400. 0x10 is no chunk start and 0x800 lies beyond the image.
    const bench::UpdateTraffic traffic = bench::CountTraffic(2050, {0x10, 0x400, 0x400, 0x800}, kReplyWords, true);
    EXPECT_EQ(traffic.erases, 1u);
    EXPECT_EQ(traffic.replies, 1u + 64u) << "one erase poll; the read-back starts at 0x10: one chunk of 1024 words";
    EXPECT_EQ(bench::CountTraffic(2050, {0x10}, kReplyWords, false).replies, 0u);
}

TEST(UpdateBoundTest, TimeFollowsTheLink)
{
    const bench::UpdateTraffic traffic = bench::CountTraffic(4, {0}, kReplyWords, true);
    const double bytes = double(traffic.bytesSent + traffic.bytesReceived);
    const double period = 256.0 / 48000;
    const struct {
        bench::LinkModel link;
        double seconds;
    } cases[] = {
        {{0, 0, 0}, 0.8},
        {{3125, 0, 0}, 0.8 + bytes / 3125},
        {{31250, 1, 0}, 0.8 + bytes / 31250 + traffic.replies * 0.001},
        {{0, 0, period}, 0.8 + (traffic.messagesSent + traffic.replies) * period},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(bench::LowerBoundSeconds(traffic, c.link), c.seconds, 1e-9) << c.link.bytesPerSecond;
}
