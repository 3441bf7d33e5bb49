#pragma once
// Messages as the updater sends them, built by hand so the tests do not lean
// on the code under test.
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace simtest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes shortCommand(std::uint8_t command) { return {0xF0, 0x7E, 0x08, command, 0xF7}; }

inline void appendNibbles(Bytes& message, std::uint16_t value)
{
    message.push_back(static_cast<std::uint8_t>((value >> 12) & 0x0F));
    message.push_back(static_cast<std::uint8_t>((value >> 8) & 0x0F));
    message.push_back(static_cast<std::uint8_t>((value >> 4) & 0x0F));
    message.push_back(static_cast<std::uint8_t>(value & 0x0F));
}

inline Bytes valueCommand(std::uint8_t command, std::uint16_t value)
{
    Bytes message{0xF0, 0x7E, 0x08, command};
    appendNibbles(message, value);
    message.push_back(0xF7);
    return message;
}

inline Bytes storeWords(const std::vector<std::uint16_t>& words)
{
    Bytes message{0xF0, 0x7E, 0x08, 0x0A};
    for (std::uint16_t word : words)
        appendNibbles(message, word);
    message.push_back(0xF7);
    return message;
}

inline Bytes readRequest() { return shortCommand(0x08); }

//! Address pair for `address`: 0x05 with the high half, 0x06 with the low half.
inline std::vector<Bytes> setAddress(std::uint32_t address)
{
    return {valueCommand(0x05, static_cast<std::uint16_t>(address >> 16)),
            valueCommand(0x06, static_cast<std::uint16_t>(address & 0xFFFF))};
}

//! The six bus writes of a sector erase, each with its address pair, as the updater issues them.
inline std::vector<Bytes> eraseSequence(std::uint32_t address)
{
    const std::uint32_t high = address & 0xFFFF0000u;
    const std::uint32_t cycles[6][2] = {{high | 0x5555, 0xAA}, {high | 0x22AA, 0x55}, {high | 0x5555, 0x80},
                                        {high | 0x5555, 0xAA}, {high | 0x22AA, 0x55}, {address, 0x30}};
    std::vector<Bytes> messages;
    for (const auto& cycle : cycles) {
        for (Bytes& m : setAddress(cycle[0]))
            messages.push_back(std::move(m));
        messages.push_back(valueCommand(0x09, static_cast<std::uint16_t>(cycle[1])));
    }
    return messages;
}

//! Decodes a reply's payload (two nibbles per byte, low first) into words, low byte first.
inline std::vector<std::uint16_t> decodeReply(const Bytes& reply)
{
    std::vector<std::uint16_t> words;
    for (std::size_t i = 1; i + 4 < reply.size(); i += 4)
        words.push_back(static_cast<std::uint16_t>(reply[i] | reply[i + 1] << 4 | reply[i + 2] << 8 | reply[i + 3] << 12));
    return words;
}

}  // namespace simtest
