// The standalone instrument's command line: the input cut at NUL bytes is
// its arguments. Help, version and refusals carry their text; what runs is a
// setting the instrument can be built with, and every number reads as the C
// library reads it.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <functional>

#include "FuzzSupport.h"
#include "SimInstrumentOptions.h"

namespace {

using platform::SimulatedInstrument;

// Flashes up to this size are also built, as the program does next.
constexpr std::uint32_t kLargestBuiltFlashWords = 0x40000;

void checkNumber(const std::string& text)
{
    std::uint64_t value = 0;
    if (!CommandLine::ParseNumber(text, value))
        return;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hex ? text.substr(2) : text;
    const auto isDigit = [hex](char c) {
        return hex ? std::isxdigit(static_cast<unsigned char>(c)) != 0 : std::isdigit(static_cast<unsigned char>(c)) != 0;
    };
    Require(std::all_of(digits.begin(), digits.end(), isDigit), "a number with other characters");
    errno = 0;
    Require(std::strtoull(digits.c_str(), nullptr, hex ? 16 : 10) == value && errno == 0, "number value");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> args = SplitArguments(data, size);
    for (const std::string& arg : args)
        checkNumber(arg);

    SimInstrumentOptions options;
    const CommandLine::Outcome outcome = ParseSimInstrumentOptions(args, options);
    if (outcome.kind != CommandLine::Outcome::Kind::Run) {
        Require(!outcome.text.empty(), "help, version or a refusal without its text");
        return 0;
    }
    const SimulatedInstrument::Config& config = options.config;
    Require(config.flashWords >= 1 && config.flashWords <= SimulatedInstrument::kMaxFlashWords, "flash size");
    Require(config.replyWords >= 1 && config.replyWords <= SimulatedInstrument::kMaxReplyWords, "reply size");
    const auto& starts = config.sectorStarts;
    Require(std::adjacent_find(starts.begin(), starts.end(), std::greater_equal<>()) == starts.end(),
            "sector starts not ascending");
    Require(starts.empty() || starts.back() < config.flashWords, "a sector beyond the flash");
    if (config.flashWords <= kLargestBuiltFlashWords) {
        const SimulatedInstrument instrument(config);
        Require(instrument.config().sectorStarts == starts, "the instrument changed an accepted sector map");
    }
    return 0;
}
