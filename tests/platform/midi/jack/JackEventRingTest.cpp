#include "JackEventRing.h"

#include <array>
#include <cstdint>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using platform::JackEventRing;

namespace {

std::vector<std::uint8_t> takeNext(JackEventRing& ring)
{
    const auto length = ring.nextLength();
    if (!length)
        return {};
    std::vector<std::uint8_t> event(*length);
    ring.take(event.data());
    return event;
}

}  // namespace

TEST(JackEventRing, EventsComeOutWholeAndInOrder)
{
    JackEventRing ring(256);
    ASSERT_TRUE(ring.valid());
    EXPECT_FALSE(ring.nextLength());

    const std::vector<std::uint8_t> first{0xF0, 0x01, 0x02, 0xF7};
    const std::vector<std::uint8_t> second{0x90, 0x40};
    ASSERT_TRUE(ring.push(first.data(), first.size()));
    ASSERT_TRUE(ring.push(second.data(), second.size()));

    EXPECT_EQ(takeNext(ring), first);
    EXPECT_EQ(takeNext(ring), second);
    EXPECT_FALSE(ring.nextLength());
}

TEST(JackEventRing, AnEventThatDoesNotFitLeavesTheRingAsItWas)
{
    JackEventRing ring(64);
    std::vector<std::uint8_t> large(200, 0x11);
    EXPECT_FALSE(ring.push(large.data(), large.size()));
    EXPECT_FALSE(ring.nextLength());

    const std::array<std::uint8_t, 3> small{0xF0, 0x7F, 0xF7};
    ASSERT_TRUE(ring.push(small.data(), small.size()));
    EXPECT_EQ(ring.nextLength(), small.size());
}

TEST(JackEventRing, TakingIntoNothingDropsOnlyThatEvent)
{
    JackEventRing ring(256);
    const std::array<std::uint8_t, 4> dropped{1, 2, 3, 4};
    const std::vector<std::uint8_t> kept{5, 6};
    ring.push(dropped.data(), dropped.size());
    ring.push(kept.data(), kept.size());

    ASSERT_EQ(ring.nextLength(), dropped.size());
    ring.take(nullptr);
    EXPECT_EQ(takeNext(ring), kept);
}

TEST(JackEventRing, ConcurrentWriterAndReaderLoseAndTearNothing)
{
    // One pushes sized, numbered events while the other takes them: every
    // event must arrive whole, in order, with its own bytes.
    JackEventRing ring(1024);
    constexpr int kEvents = 20000;
    std::thread writer([&] {
        std::vector<std::uint8_t> event;
        for (int i = 0; i < kEvents;) {
            event.assign(1 + i % 37, static_cast<std::uint8_t>(i));
            if (ring.push(event.data(), event.size()))
                ++i;
            else
                std::this_thread::yield();
        }
    });
    int received = 0;
    while (received < kEvents) {
        const auto event = takeNext(ring);
        if (event.empty()) {
            std::this_thread::yield();
            continue;
        }
        ASSERT_EQ(event.size(), std::size_t(1 + received % 37)) << "event " << received;
        ASSERT_EQ(event, std::vector<std::uint8_t>(event.size(), static_cast<std::uint8_t>(received)));
        ++received;
    }
    writer.join();
}
