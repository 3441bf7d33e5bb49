#pragma once
// Messages and replies of the instrument's SysEx protocol, spelled out as
// bytes for the conversation scripts.
#include <cstdint>
#include <vector>

#include "ScriptedMidiBackend.h"

inline Bytes Msg(std::uint8_t command) { return {0xF0, 0x7E, 0x08, command, 0xF7}; }

inline Bytes ValueMsg(std::uint8_t command, std::uint16_t value)
{
    return {0xF0, 0x7E, 0x08, command, std::uint8_t(value >> 12 & 0xF), std::uint8_t(value >> 8 & 0xF),
            std::uint8_t(value >> 4 & 0xF), std::uint8_t(value & 0xF), 0xF7};
}

//! A reply carrying `words`, each as four nibbles, low nibble of the low byte first.
inline Bytes Reply(const std::vector<std::uint16_t>& words)
{
    Bytes reply{0xF0};
    for (std::uint16_t w : words)
        for (int shift : {0, 4, 8, 12})
            reply.push_back(std::uint8_t(w >> shift & 0xF));
    reply.push_back(0xF7);
    return reply;
}

//! Expects the address pair for word `address`.
inline void ExpectAddress(ScriptedMidiBackend& backend, std::uint32_t address)
{
    backend.expect(ValueMsg(0x05, std::uint16_t(address >> 16)));
    backend.expect(ValueMsg(0x06, std::uint16_t(address & 0xFFFF)));
}
