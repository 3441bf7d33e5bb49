#include "SysExProtocol.h"

namespace SysEx {
namespace {

// The instrument's flash takes the JEDEC unlock cycles at these low address
// halves; the second is 0x22AA on this updater, not the usual 0x2AAA.
constexpr std::uint16_t kUnlockAddress1 = 0x5555;
constexpr std::uint16_t kUnlockAddress2 = 0x22AA;
constexpr std::uint16_t kUnlockData1 = 0x00AA;
constexpr std::uint16_t kUnlockData2 = 0x0055;
constexpr std::uint16_t kEraseSetup = 0x0080;
constexpr std::uint16_t kSectorErase = 0x0030;

constexpr std::size_t kCommandOffset = 3;
constexpr std::size_t kParameterOffset = 4;

}  // namespace

CommandMessage BuildCommand(std::uint8_t command) { return {kStart, kFrame1, kFrame2, command, kEnd}; }

void PackValue(std::uint16_t value, std::uint8_t* out)
{
    out[0] = static_cast<std::uint8_t>((value >> 12) & 0x0F);
    out[1] = static_cast<std::uint8_t>((value >> 8) & 0x0F);
    out[2] = static_cast<std::uint8_t>((value >> 4) & 0x0F);
    out[3] = static_cast<std::uint8_t>(value & 0x0F);
}

ValueMessage EmptyValueCommand() { return {kStart, kFrame1, kFrame2, 0, 0, 0, 0, 0, kEnd}; }

void SetValueCommand(ValueMessage& message, std::uint8_t command, std::uint16_t value)
{
    message[kCommandOffset] = command;
    PackValue(value, message.data() + kParameterOffset);
}

ValueMessage BuildValueCommand(std::uint8_t command, std::uint16_t value)
{
    ValueMessage message = EmptyValueCommand();
    SetValueCommand(message, command, value);
    return message;
}

std::vector<std::uint8_t> BuildWriteWords(const std::uint8_t* words, std::size_t count)
{
    std::vector<std::uint8_t> message(WriteWordsLength(count));
    message[0] = kStart;
    message[1] = kFrame1;
    message[2] = kFrame2;
    message[kCommandOffset] = kWriteWords;
    for (std::size_t i = 0; i < count; ++i) {
        const auto word = static_cast<std::uint16_t>(words[2 * i] | (words[2 * i + 1] << 8));
        PackValue(word, message.data() + kParameterOffset + kNibblesPerWord * i);
    }
    message.back() = kEnd;
    return message;
}

std::size_t DecodePayload(const std::uint8_t* payload, std::size_t payloadLength, std::uint8_t* out,
                          std::size_t capacity)
{
    std::size_t stored = 0;
    for (std::size_t k = 0; 2 * k + 1 < payloadLength && stored < capacity; ++k)
        out[stored++] = static_cast<std::uint8_t>(payload[2 * k] | (payload[2 * k + 1] << 4));
    return stored;
}

EraseSequence BuildEraseSequence(std::uint32_t address)
{
    const std::uint16_t high = AddressHigh(address);
    return {{
        {high, kUnlockAddress1, kUnlockData1},
        {high, kUnlockAddress2, kUnlockData2},
        {high, kUnlockAddress1, kEraseSetup},
        {high, kUnlockAddress1, kUnlockData1},
        {high, kUnlockAddress2, kUnlockData2},
        {high, AddressLow(address), kSectorErase},
    }};
}

}  // namespace SysEx
