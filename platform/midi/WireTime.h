#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace platform {

//! How long `bytes` take on a link of `bytesPerSecond` (0: no time, a link without limit).
constexpr std::chrono::microseconds WireTime(std::size_t bytes, std::uint32_t bytesPerSecond)
{
    if (bytesPerSecond == 0)
        return std::chrono::microseconds{0};
    return std::chrono::microseconds{static_cast<std::int64_t>(bytes * 1'000'000ull / bytesPerSecond)};
}

}  // namespace platform
