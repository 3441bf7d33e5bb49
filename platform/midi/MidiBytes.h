#pragma once
// The MIDI status bytes every part of the MIDI layer agrees on.
#include <cstdint>

namespace platform {

//! Start of a System Exclusive message.
constexpr std::uint8_t kSysExStart = 0xF0;
//! End of a System Exclusive message.
constexpr std::uint8_t kSysExEnd = 0xF7;
//! First real-time status byte (clock); 0xF8 to 0xFF may appear anywhere, even inside SysEx.
constexpr std::uint8_t kFirstRealTime = 0xF8;

//! True for a status byte (top bit set), false for a data byte.
constexpr bool IsStatusByte(std::uint8_t byte) { return (byte & 0x80) != 0; }
//! True for a real-time status byte.
constexpr bool IsRealTimeByte(std::uint8_t byte) { return byte >= kFirstRealTime; }

}  // namespace platform
