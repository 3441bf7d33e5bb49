#pragma once
#include <cstdint>
#include <vector>

//! The sample firmware image that lets a newcomer run a complete update
//! against the simulated instrument: 64 Ki words (128 KiB), the same bytes on
//! every build and every system.
std::vector<std::uint8_t> MakeSampleImage();
