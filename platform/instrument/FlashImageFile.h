#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "SimulatedInstrument.h"

//! Writes `bytes` to `path`. Returns false with `error` set on failure.
bool SaveBytes(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error);

//! Writes `flash` to `path` as byte pairs, low byte first, word 0 first (the
//! layout of a firmware data file). Returns false with `error` set on failure.
bool SaveFlashImage(const std::string& path, const std::vector<std::uint16_t>& flash, std::string& error);

//! Reads a firmware image into words (an odd last byte is completed with 0x00).
bool LoadFlashImage(const std::string& path, std::vector<std::uint16_t>& words, std::string& error);

//! One line on what the instrument received and did.
std::string FormatInstrumentSummary(const platform::SimulatedInstrument::Statistics& statistics);
