#include "SampleImage.h"

#include <cstring>

namespace {

// 64 Ki words: blocks 0x0, 0x2000, 0x3000, 0x4000 and 0x8000 of the simulated
// instrument's sector map, so a run erases five blocks.
constexpr std::size_t kImageBytes = 0x10000 * 2;
constexpr char kBanner[] = "VANTREL SAMPLE FIRMWARE 1.0";
constexpr std::uint32_t kSeed = 0x56414E54;  // fixed: the image must not change between builds

// xorshift32: a small generator whose output is the same on every platform.
std::uint32_t Next(std::uint32_t& state)
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

}  // namespace

std::vector<std::uint8_t> MakeSampleImage()
{
    std::vector<std::uint8_t> image(kImageBytes);
    std::uint32_t state = kSeed;
    for (std::uint8_t& byte : image)
        byte = static_cast<std::uint8_t>(Next(state) >> 24);
    std::memcpy(image.data(), kBanner, sizeof kBanner);
    return image;
}
