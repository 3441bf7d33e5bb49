#include "SysExProtocol.h"

#include <gtest/gtest.h>

#include "ProtocolTestSupport.h"

using namespace SysEx;

TEST(SysExProtocolTest, CommandsWithoutParametersAreFiveFramedBytes)
{
    for (std::uint8_t command : {kOpen, kOpenSecond, kPulseFirst, kPulseSecond, kEndExchange, kReadRequest}) {
        const CommandMessage message = BuildCommand(command);
        EXPECT_EQ(Bytes(message.begin(), message.end()), Msg(command));
    }
}

TEST(SysExProtocolTest, ValueIsPackedAsFourNibblesMostSignificantFirst)
{
    const ValueMessage message = BuildValueCommand(kAddressHigh, 0x1234);
    EXPECT_EQ(Bytes(message.begin(), message.end()), (Bytes{0xF0, 0x7E, 0x08, 0x05, 0x01, 0x02, 0x03, 0x04, 0xF7}));
    std::uint8_t nibbles[4];
    PackValue(0xF00F, nibbles);
    EXPECT_EQ(Bytes(nibbles, nibbles + 4), (Bytes{0x0F, 0x00, 0x00, 0x0F}));
}

TEST(SysExProtocolTest, ReusedValueMessageKeepsItsFrame)
{
    ValueMessage message = EmptyValueCommand();
    SetValueCommand(message, kAddressLow, 0xFFFF);
    SetValueCommand(message, kWriteWord, 0x00AA);
    EXPECT_EQ(Bytes(message.begin(), message.end()), (Bytes{0xF0, 0x7E, 0x08, 0x09, 0x00, 0x00, 0x0A, 0x0A, 0xF7}));
}

TEST(SysExProtocolTest, WriteWordsCarriesEachWordHighByteFirst)
{
    const std::uint8_t words[] = {0x11, 0x22, 0x33, 0x44};
    EXPECT_EQ(BuildWriteWords(words, 2),
              (Bytes{0xF0, 0x7E, 0x08, 0x0A, 0x02, 0x02, 0x01, 0x01, 0x04, 0x04, 0x03, 0x03, 0xF7}));
    const std::uint8_t one[] = {0x34, 0x12};
    EXPECT_EQ(BuildWriteWords(one, 1), (Bytes{0xF0, 0x7E, 0x08, 0x0A, 0x01, 0x02, 0x03, 0x04, 0xF7}));
}

TEST(SysExProtocolTest, FullChunkIs4101BytesOfNibbles)
{
    std::vector<std::uint8_t> words(2 * kMaxWriteWords);
    for (std::size_t i = 0; i < words.size(); ++i)
        words[i] = std::uint8_t(i * 7);
    const Bytes message = BuildWriteWords(words.data(), kMaxWriteWords);
    ASSERT_EQ(message.size(), 4101u);
    EXPECT_EQ(WriteWordsLength(kMaxWriteWords), 4101u);
    EXPECT_EQ(message.back(), 0xF7);
    for (std::size_t i = 4; i + 1 < message.size(); ++i)
        ASSERT_LE(message[i], 0x0F) << "byte " << i << " is not 7-bit safe";
    const std::size_t last = kMaxWriteWords - 1;
    EXPECT_EQ(message[4 + 4 * last], words[2 * last + 1] >> 4);
    EXPECT_EQ(message[4 + 4 * last + 3], words[2 * last] & 0x0F);
}

TEST(SysExProtocolTest, EmptyWriteIsJustTheFrame)
{
    EXPECT_EQ(BuildWriteWords(nullptr, 0), (Bytes{0xF0, 0x7E, 0x08, 0x0A, 0xF7}));
}

TEST(SysExProtocolTest, ReplyLengthMustHoldWholeWords)
{
    EXPECT_TRUE(IsReplyLengthValid(2));
    EXPECT_TRUE(IsReplyLengthValid(6));
    EXPECT_TRUE(IsReplyLengthValid(198));
    EXPECT_FALSE(IsReplyLengthValid(7));
    EXPECT_FALSE(IsReplyLengthValid(200));
    EXPECT_FALSE(IsReplyLengthValid(0));
    EXPECT_FALSE(IsReplyLengthValid(1));
    EXPECT_EQ(PayloadLength(6), 4u);
    EXPECT_EQ(PayloadLength(1), 0u);
    EXPECT_EQ(PayloadLength(0), 0u);
}

TEST(SysExProtocolTest, PayloadDecodesLowNibbleFirst)
{
    const std::uint8_t payload[] = {0x04, 0x03, 0x02, 0x01};
    std::uint8_t out[2] = {};
    EXPECT_EQ(DecodePayload(payload, 4, out, 2), 2u);
    EXPECT_EQ(out[0], 0x34);
    EXPECT_EQ(out[1], 0x12);
}

TEST(SysExProtocolTest, DecodingStopsAtTheCapacity)
{
    const std::uint8_t payload[] = {1, 1, 2, 2, 3, 3, 4, 4};
    std::uint8_t out[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(DecodePayload(payload, 8, out, 3), 3u);
    EXPECT_EQ(Bytes(out, out + 4), (Bytes{0x11, 0x22, 0x33, 0xEE}));
}

TEST(SysExProtocolTest, DecodingIgnoresAnUnpairedNibble)
{
    const std::uint8_t payload[] = {0x0F, 0x0F, 0x05};
    std::uint8_t out[4] = {};
    EXPECT_EQ(DecodePayload(payload, 3, out, 4), 1u);
    EXPECT_EQ(out[0], 0xFF);
    EXPECT_EQ(DecodePayload(payload, 0, out, 4), 0u);
}

TEST(SysExProtocolTest, HighNibbleBitsBeyondFourAreTruncatedToAByte)
{
    const std::uint8_t payload[] = {0x7F, 0x7F};
    std::uint8_t out[1] = {};
    DecodePayload(payload, 2, out, 1);
    EXPECT_EQ(out[0], 0xFF);  // 0x7F | 0x7F0 truncated
}

TEST(SysExProtocolTest, EraseSequenceUnlocksThenErasesAtTheBlock)
{
    const EraseSequence writes = BuildEraseSequence(0x12000);
    const std::uint16_t expected[6][2] = {{0x5555, 0xAA}, {0x22AA, 0x55}, {0x5555, 0x80},
                                          {0x5555, 0xAA}, {0x22AA, 0x55}, {0x2000, 0x30}};
    for (std::size_t i = 0; i < writes.size(); ++i) {
        EXPECT_EQ(writes[i].addressHigh, 0x0001) << "write " << i;
        EXPECT_EQ(writes[i].addressLow, expected[i][0]) << "write " << i;
        EXPECT_EQ(writes[i].value, expected[i][1]) << "write " << i;
    }
}
