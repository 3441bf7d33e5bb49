// Writes the sample firmware image that lets a newcomer run a complete update
// against the simulated instrument: 64 Ki words (128 KiB), the same bytes on
// every build. Usage: make_sample_image <output file>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

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

std::vector<std::uint8_t> MakeImage()
{
    std::vector<std::uint8_t> image(kImageBytes);
    std::uint32_t state = kSeed;
    for (std::uint8_t& byte : image)
        byte = static_cast<std::uint8_t>(Next(state) >> 24);
    std::memcpy(image.data(), kBanner, sizeof kBanner);
    return image;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output file>\n", argv[0]);
        return 2;
    }
    const std::vector<std::uint8_t> image = MakeImage();
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    const bool written = std::fwrite(image.data(), 1, image.size(), out) == image.size();
    const bool closed = std::fclose(out) == 0;
    if (!written || !closed) {
        std::perror(argv[1]);
        std::remove(argv[1]);
        return 1;
    }
    return 0;
}
