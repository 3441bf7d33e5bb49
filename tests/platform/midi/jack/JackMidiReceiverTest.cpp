#include "JackMidiReceiver.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

using platform::JackMidiReceiver;
using Bytes = std::vector<std::uint8_t>;

TEST(JackMidiReceiver, EventLostToAFullRingDropsTheMessageItBelongedTo)
{
    JackMidiReceiver receiver(16);  // room for 16 bytes of records, each event's length taking 4
    std::vector<Bytes> messages;
    const auto collect = [&](const std::uint8_t* message, std::size_t length) {
        messages.emplace_back(message, message + length);
    };
    const Bytes head{0xF0, 0x01, 0x02};
    const Bytes middle{0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A};  // 12 bytes with its length: no room
    const Bytes tail{0x05, 0xF7};
    const Bytes next{0xF0, 0x7E, 0xF7};

    EXPECT_TRUE(receiver.queue(head.data(), head.size()));
    EXPECT_FALSE(receiver.queue(middle.data(), middle.size()));
    receiver.assemble(collect);
    EXPECT_TRUE(receiver.queue(tail.data(), tail.size()));
    receiver.assemble(collect);
    EXPECT_TRUE(messages.empty()) << "F0 01 02 05 F7 must not pass for a whole message";

    EXPECT_TRUE(receiver.queue(next.data(), next.size()));
    receiver.assemble(collect);
    EXPECT_EQ(messages, std::vector<Bytes>{next});
    EXPECT_EQ(receiver.overruns(), 1u);
}
