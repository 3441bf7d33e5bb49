#pragma once
// Shared pieces of the update-run tests: images, and an open port pair to a
// simulated instrument with what it received.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "CMidiPort.h"
#include "CapturingObserver.h"
#include "ScratchDirectory.h"
#include "SimulatedMidiBackend.h"

//! `size` bytes of a pattern in which neighbouring words differ and no word is 0xFFFF.
std::vector<std::uint8_t> PatternImage(std::size_t size);
//! The image as the instrument stores it: words, low byte first, odd length padded with 0x00.
std::vector<std::uint16_t> ImageAsWords(const std::vector<std::uint8_t>& image);

//! Sector map of a small test instrument: a sector every 0x400 words.
std::vector<std::uint32_t> SmallSectors(std::uint32_t flashWords);
//! A simulated instrument without latency, a sector every 0x400 words, 16-word replies.
platform::SimulatedInstrument::Config TestInstrumentConfig();

//! A port pair open to a simulated instrument registered as the only MIDI
//! devices; the opening commands are forgotten, so the record starts clean.
class SimulatedConnection {
public:
    explicit SimulatedConnection(const platform::SimulatedInstrument::Config& config = TestInstrumentConfig());
    ~SimulatedConnection();
    SimulatedConnection(const SimulatedConnection&) = delete;
    SimulatedConnection& operator=(const SimulatedConnection&) = delete;

    CMidiPort port;
    std::shared_ptr<platform::SimulatedMidiBackend> backend;

    //! The instrument's flash, `count` words from `address`.
    std::vector<std::uint16_t> flash(std::uint32_t address, std::size_t count);
    //! Stores `words` from `address` on, bypassing the flash rules.
    void preload(std::uint32_t address, const std::vector<std::uint16_t>& words);
    //! The instrument's counters.
    platform::SimulatedInstrument::Statistics statistics();
};

//! Complete SysEx messages the instrument received, in order.
std::vector<std::vector<std::uint8_t>> ReceivedMessages(platform::SimulatedMidiBackend& backend);
//! How many received messages carry command `command`.
std::size_t CountCommand(const std::vector<std::vector<std::uint8_t>>& messages, std::uint8_t command);
//! Word addresses set by each 0x05/0x06 pair, in order.
std::vector<std::uint32_t> AddressesSet(const std::vector<std::vector<std::uint8_t>>& messages);
