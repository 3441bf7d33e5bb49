// The command-line layer both tools share: numbers written one way, and the
// simulated instrument's options meaning the same in the updater and in the
// standalone instrument.
#include <gtest/gtest.h>

#include "CommandLine.h"
#include "HeadlessOptions.h"
#include "SimInstrumentOptions.h"

namespace {

using Kind = CommandLine::Outcome::Kind;
using Config = platform::SimulatedInstrument::Config;

TEST(CommandLineNumbers, DecimalOrHexadecimalAfter0x)
{
    const std::vector<std::pair<std::string, std::uint64_t>> good{
        {"2000", 2000}, {"0x2000", 0x2000}, {"0X1f", 0x1F}, {"010", 10}, {"0", 0}};
    for (const auto& [text, expected] : good) {
        std::uint64_t value = 0;
        EXPECT_TRUE(CommandLine::ParseNumber(text, value)) << text;
        EXPECT_EQ(value, expected) << text;
    }
    for (const char* text : {"", "0x", "12G", "1 ", " 1", "-1", "+1", "0x1g", "99999999999999999999999"}) {
        std::uint64_t value = 0;
        EXPECT_FALSE(CommandLine::ParseNumber(text, value)) << text;
    }
}

// Every instrument option, as the standalone instrument spells it; the
// updater spells it with "--sim-" instead of "--".
const std::vector<std::vector<std::string>> kInstrumentSettings{
    {"--flash-words", "0x8000"},   {"--sectors", "0,0x2000,16384"}, {"--reply-words", "49"},
    {"--latency", "20"},           {"--rate", "3125"},              {"--no-reply"},
    {"--empty-replies"},           {"--reply-length", "7"},         {"--oversized-reply", "60"},
    {"--stuck-sector", "2000"},    {"--stuck-sector", "0x2000"},    {"--flip", "0x400:1"},
    {"--busy-reads", "3"},         {"--send-error-after", "10"},    {"--send-error-count", "2"},
    {"--vanish-after", "99"},
};

std::vector<std::string> withPrefix(const std::string& prefix)
{
    std::vector<std::string> args;
    for (const auto& setting : kInstrumentSettings) {
        args.push_back(prefix + setting[0].substr(2));
        args.insert(args.end(), setting.begin() + 1, setting.end());
    }
    return args;
}

TEST(InstrumentOptions, MeanTheSameInBothTools)
{
    SimInstrumentOptions standalone;
    ASSERT_EQ(ParseSimInstrumentOptions(withPrefix("--"), standalone).kind, Kind::Run);
    HeadlessOptions updater;
    auto args = withPrefix("--sim-");
    args.insert(args.begin(), "--simulated");
    const auto parsed = ParseHeadlessOptions(args, updater);
    ASSERT_EQ(parsed.kind, Kind::Run) << parsed.text;

    for (const Config* config : {&standalone.config, &updater.simulator}) {
        EXPECT_EQ(config->flashWords, 0x8000u);
        EXPECT_EQ(config->sectorStarts, (std::vector<std::uint32_t>{0, 0x2000, 0x4000}));
        EXPECT_EQ(config->linkBytesPerSecond, 3125u);
        EXPECT_EQ(config->faults.stuckSectors, (std::vector<std::uint32_t>{2000, 0x2000}));
        ASSERT_EQ(config->faults.bitFlips.size(), 1u);
        EXPECT_EQ(config->faults.bitFlips[0].mask, 1u);
    }
    const auto& a = standalone.config;
    const auto& b = updater.simulator;
    EXPECT_EQ(std::tie(a.replyWords, a.replyLatencyMs, a.faults.noReply, a.faults.emptyReplies, a.faults.replyLength,
                       a.faults.oversizedReplyWords, a.faults.busyReadsAfterErase, a.faults.sendErrorAfter,
                       a.faults.sendErrorCount, a.faults.vanishAfter),
              std::tie(b.replyWords, b.replyLatencyMs, b.faults.noReply, b.faults.emptyReplies, b.faults.replyLength,
                       b.faults.oversizedReplyWords, b.faults.busyReadsAfterErase, b.faults.sendErrorAfter,
                       b.faults.sendErrorCount, b.faults.vanishAfter));
}

TEST(InstrumentOptions, MistakesAreRefusedByBothTools)
{
    const std::vector<std::vector<std::string>> bad{
        {"--reply-words", "50"}, {"--reply-words", "0"}, {"--latency", "12ms"}, {"--rate", "99999999999"},
        {"--stuck-sector", "12G"}, {"--flip", "0x400"}, {"--flip", "0x400:0"}, {"--flip", "0x400:0x10000"},
        {"--sectors", "0,0x3000,0x2000"}, {"--sectors", "0,,0x2000"}, {"--flash-words", "0x1000", "--sectors", "0,0x2000"},
        {"--no-reply=1"}, {"--latency"},
    };
    for (const auto& setting : bad) {
        SimInstrumentOptions standalone;
        EXPECT_EQ(ParseSimInstrumentOptions(setting, standalone).kind, Kind::Error) << setting[0];
        std::vector<std::string> args{"--simulated"};
        for (const auto& arg : setting)
            args.push_back(arg.rfind("--", 0) == 0 ? "--sim-" + arg.substr(2) : arg);
        HeadlessOptions updater;
        const auto parsed = ParseHeadlessOptions(args, updater);
        EXPECT_EQ(parsed.kind, Kind::Error) << args[1];
        EXPECT_FALSE(parsed.text.empty());
    }
}

TEST(CommandLineOutcome, HelpAndVersionAreAnswersNotRuns)
{
    HeadlessOptions updater;
    const auto version = ParseHeadlessOptions({"--version"}, updater);
    EXPECT_EQ(version.kind, Kind::Version);
    EXPECT_EQ(version.text, "vantrel-update " VANTREL_VERSION);
    SimInstrumentOptions standalone;
    const auto help = ParseSimInstrumentOptions({"--help"}, standalone);
    EXPECT_EQ(help.kind, Kind::Help);
    EXPECT_EQ(help.text.rfind("Usage: vantrel-sim-instrument [OPTIONS]\n", 0), 0u) << help.text;
    for (std::size_t from = 0, end; (end = help.text.find('\n', from)) != std::string::npos; from = end + 1)
        EXPECT_LE(end - from, 79u) << help.text.substr(from, end - from);
}

}  // namespace
