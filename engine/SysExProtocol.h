#pragma once
// The instrument updater's System Exclusive messages as plain byte work: every
// message the port pair sends, the packing of 16-bit values into 7-bit-safe
// nibbles, and the decoding of a reply to a read request. No I/O here.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "MidiBytes.h"

namespace SysEx {

//! Start of a System Exclusive message.
constexpr std::uint8_t kStart = platform::kSysExStart;
//! End of a System Exclusive message.
constexpr std::uint8_t kEnd = platform::kSysExEnd;
//! Fixed second byte of every message sent to the updater.
constexpr std::uint8_t kFrame1 = 0x7E;
//! Fixed third byte of every message sent to the updater.
constexpr std::uint8_t kFrame2 = 0x08;

//! Command bytes (the fourth byte of a message).
enum Command : std::uint8_t {
    kOpen = 0x01,          //!< opens the exchange
    kEndExchange = 0x02,   //!< ends the exchange
    kPulseFirst = 0x03,    //!< first half of the timed pair completing the opening
    kPulseSecond = 0x04,   //!< second half of that pair
    kAddressHigh = 0x05,   //!< high half of the current word address
    kAddressLow = 0x06,    //!< low half of the current word address
    kReadRequest = 0x08,   //!< asks for memory contents from the current address
    kWriteWord = 0x09,     //!< one bus write at the current address
    kWriteWords = 0x0A,    //!< stores N words from the current address on
    kOpenSecond = 0x0C,    //!< sent right after kOpen
};

//! Length of a command without parameters.
constexpr std::size_t kCommandLength = 5;
//! Length of a command carrying one 16-bit value.
constexpr std::size_t kValueCommandLength = 9;
//! Bytes one 16-bit value takes on the wire.
constexpr std::size_t kNibblesPerWord = 4;
//! Most words one kWriteWords message carries (4101 bytes).
constexpr unsigned kMaxWriteWords = 1024;

//! A command without parameters, ready to send.
using CommandMessage = std::array<std::uint8_t, kCommandLength>;
//! A command with one 16-bit value, ready to send.
using ValueMessage = std::array<std::uint8_t, kValueCommandLength>;

//! F0 7E 08 `command` F7.
CommandMessage BuildCommand(std::uint8_t command);

//! Writes `value` as four nibbles, most significant first, to out[0..3].
void PackValue(std::uint16_t value, std::uint8_t* out);

//! A nine-byte message with its frame in place (command and value zero).
ValueMessage EmptyValueCommand();
//! Overwrites the command byte and the four value nibbles of `message`; the
//! frame bytes are left as they are.
void SetValueCommand(ValueMessage& message, std::uint8_t command, std::uint16_t value);
//! F0 7E 08 `command` n3 n2 n1 n0 F7.
ValueMessage BuildValueCommand(std::uint8_t command, std::uint16_t value);

//! Length of the kWriteWords message for `count` words: 4 x count + 5.
constexpr std::size_t WriteWordsLength(std::size_t count) { return kNibblesPerWord * count + kCommandLength; }
//! Words of the longest 0x0A message of at most `bytes` bytes.
constexpr std::size_t WordsFitting(std::size_t bytes) { return (bytes - kCommandLength) / kNibblesPerWord; }
//! The kWriteWords message for the `count` words in `words` (word i is byte
//! 2i low, byte 2i+1 high).
std::vector<std::uint8_t> BuildWriteWords(const std::uint8_t* words, std::size_t count);

//! High half of a 32-bit word address.
constexpr std::uint16_t AddressHigh(std::uint32_t address) { return static_cast<std::uint16_t>(address >> 16); }
//! Low half of a 32-bit word address.
constexpr std::uint16_t AddressLow(std::uint32_t address) { return static_cast<std::uint16_t>(address & 0xFFFF); }

//! True if a reply of `length` bytes (both end bytes included) carries a
//! whole number of words.
constexpr bool IsReplyLengthValid(std::size_t length) { return length % 4 == 2; }
//! Payload bytes of a reply of `length` bytes; 0 for a reply too short to have any.
constexpr std::size_t PayloadLength(std::size_t length) { return length < 2 ? 0 : length - 2; }

//! Decodes the reply payload (two nibbles per data byte, low nibble first)
//! into `out`, at most `capacity` data bytes. Returns the bytes stored.
std::size_t DecodePayload(const std::uint8_t* payload, std::size_t payloadLength, std::uint8_t* out,
                          std::size_t capacity);

//! One single-word write of the flash erase sequence.
struct EraseWrite {
    std::uint16_t addressHigh;
    std::uint16_t addressLow;
    std::uint16_t value;
};
//! The writes of one sector erase: two unlock cycles, erase set-up, two
//! unlock cycles, sector erase at the block.
using EraseSequence = std::array<EraseWrite, 6>;
//! The sector erase of the flash block starting at word `address`.
EraseSequence BuildEraseSequence(std::uint32_t address);

}  // namespace SysEx
