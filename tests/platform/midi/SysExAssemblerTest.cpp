#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "SysExAssembler.h"

using platform::SysExAssembler;
using Bytes = std::vector<std::uint8_t>;

class SysExAssemblerTest : public ::testing::Test {
protected:
    void feed(const Bytes& bytes) { feed(bytes.data(), bytes.size()); }
    void feed(const std::uint8_t* bytes, std::size_t length)
    {
        assembler.feed(bytes, length, [this](const std::uint8_t* message, std::size_t size) {
            messages.emplace_back(message, message + size);
        });
    }
    static Bytes dataMessage(std::size_t payload, std::uint8_t seed = 0)
    {
        Bytes message{0xF0};
        for (std::size_t i = 0; i < payload; ++i)
            message.push_back(static_cast<std::uint8_t>((i + seed) & 0x7F));
        message.push_back(0xF7);
        return message;
    }

    SysExAssembler assembler;
    std::vector<Bytes> messages;
};

TEST_F(SysExAssemblerTest, WholeMessageInOneChunk)
{
    feed({0xF0, 0x04, 0x03, 0x02, 0x01, 0xF7});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], (Bytes{0xF0, 0x04, 0x03, 0x02, 0x01, 0xF7}));
    EXPECT_FALSE(assembler.inMessage());
}

TEST_F(SysExAssemblerTest, MessageSplitIntoSingleBytes)
{
    const Bytes message = dataMessage(4099);  // the longest message the protocol sends: 4101 bytes
    for (std::uint8_t byte : message) {
        EXPECT_TRUE(messages.empty());
        feed(&byte, 1);
    }
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], message);
}

TEST_F(SysExAssemblerTest, EmptyMessageIsDelivered)
{
    feed({0xF0, 0xF7});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], (Bytes{0xF0, 0xF7}));
}

TEST_F(SysExAssemblerTest, RealTimeBytesInsideAreDroppedWithoutBreakingTheMessage)
{
    feed({0xF0, 0x01, 0xF8, 0x02, 0xFE});
    feed({0xFA, 0x03, 0xFC, 0xFF, 0xF9, 0xFB, 0xFD, 0xF7});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], (Bytes{0xF0, 0x01, 0x02, 0x03, 0xF7}));
    EXPECT_EQ(assembler.droppedMessages(), 0u);
}

TEST_F(SysExAssemblerTest, ChannelStatusAbortsMessageInProgress)
{
    feed({0xF0, 0x01, 0x02, 0x90, 0x40, 0x7F, 0x03, 0xF7});
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(assembler.droppedMessages(), 1u);
    feed({0xF0, 0x05, 0xF7});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], (Bytes{0xF0, 0x05, 0xF7}));
}

TEST_F(SysExAssemblerTest, SystemCommonStatusAbortsMessage)
{
    feed({0xF0, 0x01, 0xF1, 0x02, 0xF7});  // MTC quarter frame is not real-time
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(assembler.droppedMessages(), 1u);
}

TEST_F(SysExAssemblerTest, NewStartRestartsTheMessage)
{
    feed({0xF0, 0x01, 0x02, 0xF0, 0x03, 0xF7});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], (Bytes{0xF0, 0x03, 0xF7}));
    EXPECT_EQ(assembler.droppedMessages(), 1u);
}

TEST_F(SysExAssemblerTest, GarbageBeforeStartIsIgnored)
{
    feed({0x12, 0x7F, 0xF7, 0x90, 0x40, 0x7F, 0xB0, 0x07, 0x64, 0xF7, 0x00});
    EXPECT_TRUE(messages.empty());
    feed({0xF0, 0x0A, 0xF7});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], (Bytes{0xF0, 0x0A, 0xF7}));
    EXPECT_EQ(assembler.droppedMessages(), 0u);
}

TEST_F(SysExAssemblerTest, SeveralMessagesInOneChunk)
{
    Bytes chunk;
    for (std::uint8_t i = 0; i < 5; ++i) {
        const Bytes message = dataMessage(i * 3u, i);
        chunk.insert(chunk.end(), message.begin(), message.end());
        chunk.push_back(0xFE);  // active sensing between messages
    }
    feed(chunk);
    ASSERT_EQ(messages.size(), 5u);
    for (std::uint8_t i = 0; i < 5; ++i)
        EXPECT_EQ(messages[i], dataMessage(i * 3u, i));
}

TEST_F(SysExAssemblerTest, MessageOfMaximumLengthIsKept)
{
    const Bytes message = dataMessage(SysExAssembler::kMaxMessageLength - 2);
    feed(message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].size(), SysExAssembler::kMaxMessageLength);
}

TEST_F(SysExAssemblerTest, OversizedMessageIsDroppedUpToItsEnd)
{
    Bytes endless = dataMessage(SysExAssembler::kMaxMessageLength * 4);
    feed(endless);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(assembler.droppedMessages(), 1u);
    feed({0xF0, 0x01, 0xF7});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], (Bytes{0xF0, 0x01, 0xF7}));
}

TEST_F(SysExAssemblerTest, NewStartEndsSkippingOfOversizedMessage)
{
    Bytes endless(SysExAssembler::kMaxMessageLength + 10, 0x55);
    endless.front() = 0xF0;
    feed(endless);
    feed({0xF0, 0x02, 0xF7});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], (Bytes{0xF0, 0x02, 0xF7}));
}

TEST_F(SysExAssemblerTest, ResetDropsPartialMessage)
{
    feed({0xF0, 0x01, 0x02});
    EXPECT_TRUE(assembler.inMessage());
    assembler.reset();
    feed({0x03, 0xF7});
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(assembler.droppedMessages(), 1u);
}

TEST_F(SysExAssemblerTest, NullInputIsHarmless)
{
    feed(nullptr, 10);
    assembler.feed(Bytes{0xF0, 0xF7}.data(), 2, nullptr);
    EXPECT_TRUE(messages.empty());
}
