// The simulated instrument, shaped by the input (flash size, sector map,
// reply size, a few faults), fed arbitrary messages: each piece of the input
// up to and including an F7 is one message. Whatever arrives, the flash keeps
// its size and every reply is a SysEx message of nibbles.
#include <algorithm>
#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzSupport.h"
#include "MidiBytes.h"
#include "SimulatedInstrument.h"

namespace {

using platform::SimulatedInstrument;

// Small flashes keep every input fast; the model clamps the rest.
constexpr std::uint32_t kLargestFlashWords = 0x10000;

SimulatedInstrument::Config shape(FuzzedDataProvider& input)
{
    SimulatedInstrument::Config config;
    config.flashWords = input.ConsumeIntegralInRange<std::uint32_t>(0, kLargestFlashWords);
    config.replyWords = input.ConsumeIntegralInRange<std::size_t>(0, 64);
    config.sectorStarts.resize(input.ConsumeIntegralInRange<std::size_t>(0, 6));
    for (auto& start : config.sectorStarts)
        start = input.ConsumeIntegral<std::uint32_t>() % (kLargestFlashWords + 2);
    auto& faults = config.faults;
    faults.busyReadsAfterErase = input.ConsumeIntegralInRange<unsigned>(0, 3);
    if (input.ConsumeBool())
        faults.stuckSectors.push_back(input.ConsumeIntegral<std::uint32_t>());
    if (input.ConsumeBool())
        faults.bitFlips.push_back({input.ConsumeIntegral<std::uint32_t>(), input.ConsumeIntegral<std::uint16_t>()});
    if (input.ConsumeBool())
        faults.replyLength = input.ConsumeIntegralInRange<std::size_t>(0, 300);
    return config;
}

void checkReply(const std::vector<std::uint8_t>& reply, const SimulatedInstrument::Config& config)
{
    Require(!reply.empty() && reply.front() == platform::kSysExStart, "a reply without F0");
    if (config.faults.replyLength == 0) {
        Require(reply.size() == 4 * config.replyWords + 2, "reply length");
        Require(reply.back() == platform::kSysExEnd, "a reply without F7");
    }
    const auto inner = reply.size() < 2 ? reply.end() : reply.end() - 1;
    Require(std::all_of(reply.begin() + 1, inner, [](std::uint8_t b) { return b <= 0x0F; }), "a reply byte > 0x0F");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    SimulatedInstrument instrument(shape(input));
    const SimulatedInstrument::Config& config = instrument.config();
    const std::vector<std::uint8_t> stream = input.ConsumeRemainingBytes<std::uint8_t>();

    std::size_t messages = 0;
    for (auto from = stream.begin(); from != stream.end(); ++messages) {
        const auto end = std::find(from, stream.end(), platform::kSysExEnd);
        const auto last = end == stream.end() ? end : end + 1;
        const auto transfer = instrument.transfer(&*from, static_cast<std::size_t>(last - from));
        Require(transfer.link == SimulatedInstrument::LinkState::Delivered, "a healthy link failed");
        for (const auto& reply : transfer.replies)
            checkReply(reply, config);
        from = last;
    }
    Require(instrument.flash().size() == config.flashWords, "the flash changed its size");
    const auto& stats = instrument.statistics();
    Require(stats.messagesReceived == messages && stats.malformed <= messages, "message counts");
    Require(stats.repliesSent <= stats.readRequests && stats.sectorsErased <= stats.eraseCommands, "counters");
    return 0;
}
