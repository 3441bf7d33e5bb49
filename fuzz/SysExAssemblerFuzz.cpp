// The SysEx assembler fed raw MIDI bytes, in pieces of any size as a driver
// hands them over: the pieces must not change what comes out, and every
// message that comes out is whole and was in the stream.
#include <algorithm>
#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzSupport.h"
#include "MidiBytes.h"
#include "SysExAssembler.h"

namespace {

using Message = std::vector<std::uint8_t>;

std::vector<Message> assemble(const std::vector<std::uint8_t>& stream, std::uint32_t pieceSeed)
{
    platform::SysExAssembler assembler;
    std::vector<Message> messages;
    const auto collect = [&](const std::uint8_t* message, std::size_t length) {
        messages.emplace_back(message, message + length);
    };
    std::uint32_t state = pieceSeed;
    for (std::size_t offset = 0; offset < stream.size();) {
        state = state * 1664525u + 1013904223u;  // pieces of 1 to 300 bytes; seed 0: all in one
        const std::size_t left = stream.size() - offset;
        const std::size_t piece = pieceSeed == 0 ? left : std::min<std::size_t>(1 + (state >> 16) % 300, left);
        assembler.feed(stream.data() + offset, piece, collect);
        offset += piece;
    }
    return messages;
}

bool isWhole(const Message& message)
{
    return message.size() >= 2 && message.size() <= platform::SysExAssembler::kMaxMessageLength &&
           message.front() == platform::kSysExStart && message.back() == platform::kSysExEnd &&
           std::none_of(message.begin() + 1, message.end() - 1, platform::IsStatusByte);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::uint32_t pieceSeed = input.ConsumeIntegral<std::uint32_t>() | 1u;
    const std::vector<std::uint8_t> stream = input.ConsumeRemainingBytes<std::uint8_t>();

    const std::vector<Message> whole = assemble(stream, 0);
    Require(assemble(stream, pieceSeed) == whole, "the pieces changed the messages");

    std::vector<std::uint8_t> withoutRealTime;
    std::copy_if(stream.begin(), stream.end(), std::back_inserter(withoutRealTime),
                 [](std::uint8_t byte) { return !platform::IsRealTimeByte(byte); });
    for (const Message& message : whole) {
        Require(isWhole(message), "a message is not F0 data... F7");
        Require(std::search(withoutRealTime.begin(), withoutRealTime.end(), message.begin(), message.end()) !=
                    withoutRealTime.end(),
                "a message that was not in the stream");
    }
    return 0;
}
