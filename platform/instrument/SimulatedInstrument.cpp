#include "SimulatedInstrument.h"

#include <algorithm>

#include "MidiBytes.h"

namespace platform {
namespace {

constexpr std::uint8_t kFrameId1 = 0x7E;
constexpr std::uint8_t kFrameId2 = 0x08;
constexpr std::size_t kShortLength = 5;  // F0 7E 08 cmd F7
constexpr std::size_t kValueLength = 9;  // F0 7E 08 cmd n n n n F7
constexpr std::size_t kNibblesPerWord = 4;
constexpr std::uint8_t kMaxNibble = 0x0F;
// Bound on the replies a fault may ask for, so a mistyped setting cannot exhaust memory.
constexpr std::size_t kLongestFaultReplyWords = 0x4000;

enum Command : std::uint8_t {
    kStart = 0x01,
    kEnd = 0x02,
    kPulseFirst = 0x03,
    kPulseSecond = 0x04,
    kAddressHigh = 0x05,
    kAddressLow = 0x06,
    kRead = 0x08,
    kBusWrite = 0x09,
    kStoreWords = 0x0A,
    kStartSecond = 0x0C,
};

// One command cycle of the flash chip: a data byte written at an address
// whose low half is fixed. The chip decodes DQ7..DQ0 only and ignores the
// upper address lines for the unlock cycles.
struct CommandCycle {
    std::uint16_t addressLow;
    std::uint8_t data;
};

// JEDEC sector erase: two unlock cycles, erase set-up, two unlock cycles; the
// sixth cycle writes 0x30 at an address inside the sector. This chip's second
// unlock address is 0x22AA.
constexpr std::array<CommandCycle, 5> kEraseUnlockCycles{{
    {0x5555, 0xAA},
    {0x22AA, 0x55},
    {0x5555, 0x80},
    {0x5555, 0xAA},
    {0x22AA, 0x55},
}};
constexpr std::uint8_t kSectorEraseData = 0x30;

// While an erase runs the chip answers reads with its status: DQ7 low and
// DQ6 toggling on every read.
constexpr std::uint16_t kStatusToggleBit = 0x0040;

bool matchesCycle(const CommandCycle& cycle, std::uint32_t address, std::uint16_t value)
{
    return (address & 0xFFFF) == cycle.addressLow && (value & 0xFF) == cycle.data;
}

std::uint16_t valueAt(const std::uint8_t* nibbles)
{
    return static_cast<std::uint16_t>((nibbles[0] << 12) | (nibbles[1] << 8) | (nibbles[2] << 4) | nibbles[3]);
}

std::optional<std::size_t> expectedLength(std::uint8_t command, std::size_t length)
{
    switch (command) {
    case kStart:
    case kEnd:
    case kPulseFirst:
    case kPulseSecond:
    case kRead:
    case kStartSecond:
        return kShortLength;
    case kAddressHigh:
    case kAddressLow:
    case kBusWrite:
        return kValueLength;
    case kStoreWords:
        // 4 × N + 5: any whole number of words
        if (length >= kShortLength && (length - kShortLength) % kNibblesPerWord == 0)
            return length;
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

}  // namespace

std::size_t SimulatedInstrument::Statistics::endCommands() const { return commands[kEnd]; }

std::vector<std::uint32_t> SimulatedInstrument::DefaultSectorStarts(std::uint32_t flashWords)
{
    constexpr std::array<std::uint32_t, 4> kBootSectors{0x0000, 0x2000, 0x3000, 0x4000};
    constexpr std::uint32_t kMainSectorWords = 0x8000;
    std::vector<std::uint32_t> starts;
    for (std::uint32_t start : kBootSectors)
        if (start < flashWords)
            starts.push_back(start);
    for (std::uint64_t start = kMainSectorWords; start < flashWords; start += kMainSectorWords)
        starts.push_back(static_cast<std::uint32_t>(start));
    return starts;
}

std::vector<std::uint8_t> SimulatedInstrument::EncodeReply(const std::vector<std::uint16_t>& words)
{
    std::vector<std::uint8_t> reply;
    reply.reserve(words.size() * kNibblesPerWord + 2);
    reply.push_back(kSysExStart);
    for (std::uint16_t word : words) {
        const std::uint8_t low = static_cast<std::uint8_t>(word & 0xFF);
        const std::uint8_t high = static_cast<std::uint8_t>(word >> 8);
        reply.push_back(low & 0x0F);
        reply.push_back(low >> 4);
        reply.push_back(high & 0x0F);
        reply.push_back(high >> 4);
    }
    reply.push_back(kSysExEnd);
    return reply;
}

SimulatedInstrument::SimulatedInstrument() : SimulatedInstrument(Config{}) {}

SimulatedInstrument::SimulatedInstrument(Config config) : m_config(std::move(config))
{
    m_config.flashWords = std::min(m_config.flashWords, kMaxFlashWords);
    m_config.replyWords = std::clamp<std::size_t>(m_config.replyWords, 1, kMaxReplyWords);
    auto& starts = m_config.sectorStarts;
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    starts.erase(std::lower_bound(starts.begin(), starts.end(), m_config.flashWords), starts.end());
    m_flash.assign(m_config.flashWords, 0xFFFF);
}

SimulatedInstrument::Transfer SimulatedInstrument::transfer(const std::uint8_t* message, std::size_t length)
{
    Transfer result;
    result.link = admit();
    if (result.link != LinkState::Delivered)
        return result;
    if (m_config.faults.stallAtEnd && message != nullptr && length > 3 && message[3] == kEnd) {
        result.link = LinkState::Stalled;  // it never arrives
        return result;
    }
    ++m_stats.messagesReceived;
    if (!isWellFormed(message, length)) {
        ++m_stats.malformed;
        return result;
    }
    ++m_stats.commands[message[3]];
    execute(message, length, result.replies);
    return result;
}

std::vector<std::vector<std::uint8_t>> SimulatedInstrument::receive(const std::uint8_t* message, std::size_t length)
{
    return transfer(message, length).replies;
}

std::uint16_t SimulatedInstrument::word(std::uint32_t address) const
{
    return address < m_flash.size() ? m_flash[address] : 0xFFFF;
}

void SimulatedInstrument::preload(std::uint32_t address, const std::vector<std::uint16_t>& words)
{
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::uint64_t target = std::uint64_t{address} + i;
        if (target >= m_flash.size())
            break;
        m_flash[target] = words[i];
    }
}

void SimulatedInstrument::eraseAll() { std::fill(m_flash.begin(), m_flash.end(), std::uint16_t{0xFFFF}); }

std::optional<std::uint32_t> SimulatedInstrument::sectorStartOf(std::uint32_t address) const
{
    const auto& starts = m_config.sectorStarts;
    if (address >= m_config.flashWords)
        return std::nullopt;
    auto next = std::upper_bound(starts.begin(), starts.end(), address);
    if (next == starts.begin())
        return std::nullopt;
    return *(next - 1);
}

void SimulatedInstrument::setTiming(unsigned replyLatencyMs, std::uint32_t linkBytesPerSecond)
{
    m_config.replyLatencyMs = replyLatencyMs;
    m_config.linkBytesPerSecond = linkBytesPerSecond;
}

SimulatedInstrument::LinkState SimulatedInstrument::admit()
{
    const std::size_t number = ++m_stats.messagesOffered;
    const Faults& faults = m_config.faults;
    if (!m_vanished && faults.vanishAfter && number > *faults.vanishAfter)
        m_vanished = true;
    if (m_vanished)
        return LinkState::Vanished;
    if (faults.sendErrorAfter && number > *faults.sendErrorAfter &&
        number - *faults.sendErrorAfter <= faults.sendErrorCount)
        return LinkState::SendError;
    return LinkState::Delivered;
}

bool SimulatedInstrument::isWellFormed(const std::uint8_t* message, std::size_t length) const
{
    if (message == nullptr || length < kShortLength)
        return false;
    if (message[0] != kSysExStart || message[1] != kFrameId1 || message[2] != kFrameId2 ||
        message[length - 1] != kSysExEnd)
        return false;
    if (expectedLength(message[3], length) != length)
        return false;
    return std::all_of(message + 4, message + length - 1, [](std::uint8_t b) { return b <= kMaxNibble; });
}

void SimulatedInstrument::execute(const std::uint8_t* message, std::size_t length,
                                  std::vector<std::vector<std::uint8_t>>& replies)
{
    switch (message[3]) {
    case kAddressHigh:
        m_address = (std::uint32_t{valueAt(message + 4)} << 16) | (m_address & 0xFFFF);
        break;
    case kAddressLow:
        m_address = (m_address & 0xFFFF0000u) | valueAt(message + 4);
        break;
    case kBusWrite:
        busWrite(valueAt(message + 4));
        break;
    case kStoreWords:
        programWords(message + 4, (length - kShortLength) / kNibblesPerWord);
        break;
    case kRead:
        if (auto reply = answerRead()) {
            replies.push_back(std::move(*reply));
            ++m_stats.repliesSent;
        }
        break;
    case kStart:
        // A new exchange begins with the chip in read mode: the updater resets
        // it, so an erase sequence cut short by a lost link cannot swallow the
        // next run's unlock cycles.
        m_eraseStep = 0;
        break;
    default:
        break;  // pulse and end commands only change the updater's mode
    }
}

void SimulatedInstrument::busWrite(std::uint16_t value)
{
    const std::uint32_t address = m_address;
    if (address >= m_config.flashWords)
        return;  // outside the chip: the cycle never reaches it
    ++m_stats.busWrites;
    const auto step = static_cast<std::size_t>(m_eraseStep);
    if (step < kEraseUnlockCycles.size() && matchesCycle(kEraseUnlockCycles[step], address, value)) {
        ++m_eraseStep;
        return;
    }
    if (step == kEraseUnlockCycles.size() && (value & 0xFF) == kSectorEraseData) {
        m_eraseStep = 0;
        eraseSectorAt(address);
        return;
    }
    // An unexpected cycle returns the chip to read mode; it may itself begin a new sequence.
    m_eraseStep = matchesCycle(kEraseUnlockCycles[0], address, value) ? 1 : 0;
}

void SimulatedInstrument::eraseSectorAt(std::uint32_t address)
{
    ++m_stats.eraseCommands;
    m_busyReadsLeft = m_config.faults.busyReadsAfterErase;
    const auto start = sectorStartOf(address);
    if (!start || isStuck(*start))
        return;
    const auto next = std::upper_bound(m_config.sectorStarts.begin(), m_config.sectorStarts.end(), *start);
    const std::uint32_t end = next == m_config.sectorStarts.end() ? m_config.flashWords : *next;
    std::fill(m_flash.begin() + *start, m_flash.begin() + end, std::uint16_t{0xFFFF});
    ++m_stats.sectorsErased;
}

void SimulatedInstrument::programWords(const std::uint8_t* nibbles, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i, ++m_address) {
        if (m_address >= m_flash.size())
            continue;  // nothing answers there
        const std::uint16_t value = valueAt(nibbles + i * kNibblesPerWord) ^ flipMaskAt(m_address);
        m_flash[m_address] &= value;  // programming can only clear bits
        ++m_stats.wordsWritten;
    }
}

std::optional<std::vector<std::uint8_t>> SimulatedInstrument::answerRead()
{
    ++m_stats.readRequests;
    const Faults& faults = m_config.faults;
    if (faults.noReply)
        return std::nullopt;
    if (faults.emptyReplies)
        return std::vector<std::uint8_t>{kSysExStart, kSysExEnd};
    if (faults.replyLength != 0)
        return replyCutTo(std::min(faults.replyLength, kLongestFaultReplyWords * kNibblesPerWord + 2));
    const std::size_t count = faults.oversizedReplyWords != 0
                                  ? std::min(faults.oversizedReplyWords, kLongestFaultReplyWords)
                                  : m_config.replyWords;
    return EncodeReply(readWords(count));
}

std::vector<std::uint8_t> SimulatedInstrument::replyCutTo(std::size_t length)
{
    if (length < 2)
        return {kSysExStart};
    // Send as many nibbles as fit; only the words that went out whole are used up.
    const std::size_t payload = length - 2;
    const std::size_t started = (payload + kNibblesPerWord - 1) / kNibblesPerWord;
    std::vector<std::uint8_t> reply = EncodeReply(readWords(started));
    m_address -= static_cast<std::uint32_t>(started - payload / kNibblesPerWord);
    reply.resize(1 + payload);
    reply.push_back(kSysExEnd);
    return reply;
}

std::vector<std::uint16_t> SimulatedInstrument::readWords(std::size_t count)
{
    std::vector<std::uint16_t> words(count);
    const bool busy = m_busyReadsLeft > 0;
    if (busy) {
        --m_busyReadsLeft;
        m_busyToggle = !m_busyToggle;
    }
    for (std::uint16_t& w : words)
        w = busy ? (m_busyToggle ? kStatusToggleBit : std::uint16_t{0}) : word(m_address++);
    if (busy)
        m_address += static_cast<std::uint32_t>(count);
    return words;
}

bool SimulatedInstrument::isStuck(std::uint32_t sectorStart) const
{
    const auto& stuck = m_config.faults.stuckSectors;
    return std::any_of(stuck.begin(), stuck.end(),
                       [&](std::uint32_t address) { return sectorStartOf(address) == sectorStart; });
}

std::uint16_t SimulatedInstrument::flipMaskAt(std::uint32_t address) const
{
    std::uint16_t mask = 0;
    for (const BitFlip& flip : m_config.faults.bitFlips)
        if (flip.address == address)
            mask ^= flip.mask;
    return mask;
}

}  // namespace platform
