#include "InstrumentOptions.h"

#include <limits>

namespace {

using Instrument = platform::SimulatedInstrument;

constexpr std::uint64_t kAny32 = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint64_t kMaxLatencyMs = 60000;
constexpr std::uint64_t kMaxReplyLength = 4096;
constexpr std::uint64_t kMaxOversizedReplyWords = 1024;

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(separator, from)) != std::string::npos; from = at + 1)
        parts.push_back(text.substr(from, at - from));
    parts.push_back(text.substr(from));
    return parts;
}

std::vector<std::uint32_t> parseSectors(const std::string& option, const std::string& text)
{
    std::vector<std::uint32_t> starts;
    for (const std::string& part : split(text, ',')) {
        std::uint64_t value = 0;
        if (!CommandLine::ParseNumber(part, value) || value > kAny32 || (!starts.empty() && value <= starts.back()))
            throw CLI::ValidationError(option, "takes ascending word addresses such as 0,0x2000,0x3000, not \"" +
                                                   text + "\"");
        starts.push_back(static_cast<std::uint32_t>(value));
    }
    return starts;
}

Instrument::BitFlip parseFlip(const std::string& option, const std::string& text)
{
    const std::vector<std::string> parts = split(text, ':');
    std::uint64_t address = 0;
    std::uint64_t mask = 0;
    if (parts.size() != 2 || !CommandLine::ParseNumber(parts[0], address) || address > kAny32 ||
        !CommandLine::ParseNumber(parts[1], mask) || mask == 0 || mask > 0xFFFF)
        throw CLI::ValidationError(option, "takes ADDR:MASK with a mask of 1 to 0xFFFF, such as 0x400:0x0001, not \"" +
                                               text + "\"");
    return {static_cast<std::uint32_t>(address), static_cast<std::uint16_t>(mask)};
}

}  // namespace

void InstrumentOptions::Add(CLI::App& app, const std::string& prefix, const std::string& shapeGroup,
                            const std::string& faultGroup)
{
    AddShape(app, prefix, shapeGroup);
    AddFaults(app, prefix, faultGroup);
}

void InstrumentOptions::AddShape(CLI::App& app, const std::string& prefix, const std::string& group)
{
    Number(app, prefix + "flash-words", 1, Instrument::kMaxFlashWords,
           [this](std::uint64_t n) { config.flashWords = static_cast<std::uint32_t>(n); },
           "flash size in words (default 0x40000)")
        ->group(group);
    m_sectorsOption = prefix + "sectors";
    auto* sectors = app.add_option_function<std::string>(
        m_sectorsOption,
        [this](const std::string& text) {
            config.sectorStarts = parseSectors(m_sectorsOption, text);
            m_sectorsGiven = true;
        },
        "ascending sector start addresses (default: 8K, 4K, 4K, 16K, then 32K-word sectors)");
    sectors->type_name("A,B,...")->group(group);
    m_options.push_back(sectors);
    Number(app, prefix + "reply-words", 1, Instrument::kMaxReplyWords,
           [this](std::uint64_t n) { config.replyWords = static_cast<std::size_t>(n); },
           "words per read reply, 1 to 49 (default 16)")
        ->group(group);
    Number(app, prefix + "latency", 0, kMaxLatencyMs,
           [this](std::uint64_t n) { config.replyLatencyMs = static_cast<unsigned>(n); },
           "milliseconds before each reply (default 0)")
        ->type_name("MS")
        ->group(group);
    Number(app, prefix + "rate", 0, kAny32,
           [this](std::uint64_t n) { config.linkBytesPerSecond = static_cast<std::uint32_t>(n); },
           "link speed in bytes per second; 3125 is a MIDI cable (default 0: unlimited)")
        ->type_name("BYTES")
        ->group(group);
}

void InstrumentOptions::AddFaults(CLI::App& app, const std::string& prefix, const std::string& group)
{
    auto& faults = config.faults;
    Flag(app, prefix + "no-reply", faults.noReply, "never answer read requests")->group(group);
    Flag(app, prefix + "empty-replies", faults.emptyReplies, "answer every read with F0 F7 only")->group(group);
    Number(app, prefix + "reply-length", 1, kMaxReplyLength,
           [&faults](std::uint64_t n) { faults.replyLength = static_cast<std::size_t>(n); },
           "cut or pad every reply to N bytes (e.g. 7)")
        ->group(group);
    Number(app, prefix + "oversized-reply", Instrument::kMaxReplyWords + 1, kMaxOversizedReplyWords,
           [&faults](std::uint64_t n) { faults.oversizedReplyWords = static_cast<std::size_t>(n); },
           "replies of N words, more than the updater's input buffer holds")
        ->group(group);
    const std::string stuck = prefix + "stuck-sector";
    Number(app, stuck, 0, kAny32,
           [&faults](std::uint64_t n) { faults.stuckSectors.push_back(static_cast<std::uint32_t>(n)); },
           "the sector holding word ADDR never erases (repeatable)")
        ->type_name("ADDR")
        ->group(group);
    const std::string flipName = prefix + "flip";
    auto* flip = app.add_option_function<std::vector<std::string>>(
        flipName,
        [&faults, flipName](const std::vector<std::string>& texts) {
            for (const std::string& text : texts)
                faults.bitFlips.push_back(parseFlip(flipName, text));
        },
        "turn over the bits of MASK in the word written at ADDR (repeatable)");
    flip->type_name("ADDR:MASK")->type_size(1)->expected(1)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    flip->group(group);
    m_options.push_back(flip);
    Number(app, prefix + "busy-reads", 0, kAny32,
           [&faults](std::uint64_t n) { faults.busyReadsAfterErase = static_cast<unsigned>(n); },
           "reads after each erase that still show the chip busy")
        ->group(group);
    Number(app, prefix + "send-error-after", 0, kAny32,
           [&faults](std::uint64_t n) { faults.sendErrorAfter = static_cast<std::size_t>(n); },
           "sends fail once N messages went through (opening ones included)")
        ->group(group);
    Number(app, prefix + "send-error-count", 1, kAny32,
           [&faults](std::uint64_t n) { faults.sendErrorCount = static_cast<std::size_t>(n); },
           "how many sends in a row fail (default 1)")
        ->group(group);
    Number(app, prefix + "vanish-after", 0, kAny32,
           [&faults](std::uint64_t n) { faults.vanishAfter = static_cast<std::size_t>(n); },
           "the device disappears once N messages went through")
        ->group(group);
}

bool InstrumentOptions::Finish(std::string& error)
{
    if (!m_sectorsGiven)
        config.sectorStarts = Instrument::DefaultSectorStarts(config.flashWords);
    if (!config.sectorStarts.empty() && config.sectorStarts.back() >= config.flashWords) {
        error = m_sectorsOption + " lists a start beyond the flash";
        return false;
    }
    return true;
}

CLI::Option* InstrumentOptions::Number(CLI::App& app, const std::string& name, std::uint64_t lowest,
                                       std::uint64_t highest, std::function<void(std::uint64_t)> store,
                                       const std::string& description)
{
    CLI::Option* option = CommandLine::AddNumber(app, name, lowest, highest, std::move(store), description);
    m_options.push_back(option);
    return option;
}

CLI::Option* InstrumentOptions::Flag(CLI::App& app, const std::string& name, bool& target,
                                     const std::string& description)
{
    CLI::Option* option = app.add_flag(name, target, description);
    m_options.push_back(option);
    return option;
}
