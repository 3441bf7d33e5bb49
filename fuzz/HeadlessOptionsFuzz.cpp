// The headless updater's command line: the input cut at NUL bytes is its
// arguments. Help, version and refusals always carry their text; what runs
// never names two block lists, reads beyond the word addresses or sets up a
// simulator that was not asked for, and its device descriptions pick a
// device of the list or none.
#include <algorithm>
#include <functional>

#include "DeviceChoice.h"
#include "FuzzSupport.h"
#include "HeadlessOptions.h"

namespace {

using platform::SimulatedInstrument;

const std::vector<std::string> kDevices{"UM-ONE: UM-ONE MIDI 1", "USB MIDI Interface: USB MIDI 1",
                                        "USB MIDI Interface: USB MIDI 2", "vantrel-sim-instrument:midi_in",
                                        "Simulated instrument (no hardware)"};

void checkChoice(const std::optional<std::string>& wanted)
{
    if (!wanted)
        return;
    const DeviceChoice choice = ChooseDevice(kDevices, *wanted);
    Require(choice.result != DeviceChoice::Result::Found || choice.index < kDevices.size(), "a device beyond the list");
    Require((choice.result == DeviceChoice::Result::Found) ==
                DeviceChoiceProblem(choice, "MIDI out", *wanted, kDevices.size()).empty(),
            "a problem text for a found device, or none for a missing one");
}

void checkSimulator(const HeadlessOptions& options)
{
    const SimulatedInstrument::Config& config = options.simulator;
    const auto& starts = config.sectorStarts;
    Require(std::adjacent_find(starts.begin(), starts.end(), std::greater_equal<>()) == starts.end() &&
                (starts.empty() || starts.back() < config.flashWords),
            "a sector map that does not fit the flash");
    if (options.simulated)
        return;
    const SimulatedInstrument::Config untouched;
    Require(config.flashWords == untouched.flashWords && config.replyWords == untouched.replyWords &&
                config.replyLatencyMs == untouched.replyLatencyMs && !config.faults.noReply &&
                config.faults.stuckSectors.empty() && !options.simulatorLoadPath,
            "simulator settings without --simulated");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    HeadlessOptions options;
    const CommandLine::Outcome outcome = ParseHeadlessOptions(SplitArguments(data, size), options);
    if (outcome.kind != CommandLine::Outcome::Kind::Run) {
        Require(!outcome.text.empty(), "help, version or a refusal without its text");
        return 0;
    }
    Require(!(options.product && options.blocksFile), "two block lists accepted");
    Require(!options.readPath || (options.readWords >= 1 && options.readFrom + options.readWords <= (1ull << 32)),
            "a read beyond the word addresses");
    Require(!options.backupPath || (!options.verifyOnly && !options.readPath), "a backup with nothing to back up");
    checkChoice(options.outDevice);
    checkChoice(options.inDevice);
    checkSimulator(options);
    options.mode();
    return 0;
}
