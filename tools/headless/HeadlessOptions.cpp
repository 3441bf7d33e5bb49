#include "HeadlessOptions.h"

#include <functional>
#include <limits>
#include <map>

namespace {

using Instrument = platform::SimulatedInstrument;

int digitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Strict unsigned parse: the whole text must be digits of `base`, value within 32 bits.
bool parseDigits(const std::string& text, unsigned base, std::uint32_t& value)
{
    if (text.empty())
        return false;
    std::uint64_t result = 0;
    for (char c : text) {
        const int digit = digitValue(c);
        if (digit < 0 || unsigned(digit) >= base)
            return false;
        result = result * base + unsigned(digit);
        if (result > std::numeric_limits<std::uint32_t>::max())
            return false;
    }
    value = static_cast<std::uint32_t>(result);
    return true;
}

bool hasHexPrefix(const std::string& text) { return text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'); }

// Counts and sizes: decimal, or hexadecimal after 0x.
bool parseNumber(const std::string& text, std::uint32_t& value)
{
    return hasHexPrefix(text) ? parseDigits(text.substr(2), 16, value) : parseDigits(text, 10, value);
}

// Word addresses: hexadecimal with or without 0x, as in the block list files.
bool parseAddress(const std::string& text, std::uint32_t& value)
{
    return parseDigits(hasHexPrefix(text) ? text.substr(2) : text, 16, value);
}

// Returns the option's own result, or false with `error` set.
using ValueHandler = std::function<bool(const std::string& value, HeadlessOptions& options, std::string& error)>;
using FlagHandler = std::function<void(HeadlessOptions& options)>;

ValueHandler textInto(std::optional<std::string> HeadlessOptions::*member)
{
    return [member](const std::string& value, HeadlessOptions& options, std::string&) {
        options.*member = value;
        return true;
    };
}

template <class Store>
ValueHandler number(const char* what, std::uint32_t lowest, std::uint32_t highest, Store store)
{
    return [=](const std::string& value, HeadlessOptions& options, std::string& error) {
        std::uint32_t n = 0;
        if (!parseNumber(value, n) || n < lowest || n > highest) {
            error = std::string(what) + " must be a number from " + std::to_string(lowest) + " to " +
                    std::to_string(highest) + ", not \"" + value + "\"";
            return false;
        }
        store(options.simulator, n);
        return true;
    };
}

bool parseFlip(const std::string& value, HeadlessOptions& options, std::string& error)
{
    const std::size_t colon = value.find(':');
    Instrument::BitFlip flip;
    std::uint32_t mask = 0;
    if (colon == std::string::npos || !parseAddress(value.substr(0, colon), flip.address) ||
        !parseAddress(value.substr(colon + 1), mask) || mask == 0 || mask > 0xFFFF) {
        error = "--sim-flip takes ADDR:MASK in hexadecimal with a mask of 1 to FFFF, not \"" + value + "\"";
        return false;
    }
    flip.mask = static_cast<std::uint16_t>(mask);
    options.simulator.faults.bitFlips.push_back(flip);
    return true;
}

bool parseStuckSector(const std::string& value, HeadlessOptions& options, std::string& error)
{
    std::uint32_t address = 0;
    if (!parseAddress(value, address)) {
        error = "--sim-stuck-sector takes a hexadecimal word address, not \"" + value + "\"";
        return false;
    }
    options.simulator.faults.stuckSectors.push_back(address);
    return true;
}

const std::map<std::string, FlagHandler>& flagOptions()
{
    static const std::map<std::string, FlagHandler> flags{
        {"--help", [](HeadlessOptions& o) { o.help = true; }},
        {"-h", [](HeadlessOptions& o) { o.help = true; }},
        {"--list", [](HeadlessOptions& o) { o.list = true; }},
        {"--verify", [](HeadlessOptions& o) { o.verify = true; }},
        {"--no-verify", [](HeadlessOptions& o) { o.verify = false; }},
        {"--simulated", [](HeadlessOptions& o) { o.simulated = true; }},
        {"--sim-no-reply", [](HeadlessOptions& o) { o.simulator.faults.noReply = true; }},
        {"--sim-empty-replies", [](HeadlessOptions& o) { o.simulator.faults.emptyReplies = true; }},
    };
    return flags;
}

const std::map<std::string, ValueHandler>& valueOptions()
{
    constexpr std::uint32_t kAny = std::numeric_limits<std::uint32_t>::max();
    static const std::map<std::string, ValueHandler> values{
        {"--product", textInto(&HeadlessOptions::product)},
        {"--blocks", textInto(&HeadlessOptions::blocksFile)},
        {"--out", textInto(&HeadlessOptions::outDevice)},
        {"--in", textInto(&HeadlessOptions::inDevice)},
        {"--data", textInto(&HeadlessOptions::dataPath)},
        {"--sim-load", textInto(&HeadlessOptions::simulatorLoadPath)},
        {"--sim-save", textInto(&HeadlessOptions::simulatorSavePath)},
        {"--sim-flash-words", number("--sim-flash-words", 1, Instrument::kMaxFlashWords,
                                     [](Instrument::Config& c, std::uint32_t n) {
                                         c.flashWords = n;
                                         c.sectorStarts = Instrument::DefaultSectorStarts(n);
                                     })},
        {"--sim-reply-words", number("--sim-reply-words", 1, Instrument::kMaxReplyWords,
                                     [](Instrument::Config& c, std::uint32_t n) { c.replyWords = n; })},
        {"--sim-latency", number("--sim-latency", 0, 60000,
                                 [](Instrument::Config& c, std::uint32_t n) { c.replyLatencyMs = n; })},
        {"--sim-rate", number("--sim-rate", 0, kAny,
                              [](Instrument::Config& c, std::uint32_t n) { c.linkBytesPerSecond = n; })},
        {"--sim-reply-length", number("--sim-reply-length", 1, 4096,
                                      [](Instrument::Config& c, std::uint32_t n) { c.faults.replyLength = n; })},
        {"--sim-oversized-reply", number("--sim-oversized-reply", Instrument::kMaxReplyWords + 1, 1024,
                                         [](Instrument::Config& c, std::uint32_t n) {
                                             c.faults.oversizedReplyWords = n;
                                         })},
        {"--sim-busy-reads", number("--sim-busy-reads", 0, kAny,
                                    [](Instrument::Config& c, std::uint32_t n) { c.faults.busyReadsAfterErase = n; })},
        {"--sim-send-error-after", number("--sim-send-error-after", 0, kAny,
                                          [](Instrument::Config& c, std::uint32_t n) { c.faults.sendErrorAfter = n; })},
        {"--sim-vanish-after", number("--sim-vanish-after", 0, kAny,
                                      [](Instrument::Config& c, std::uint32_t n) { c.faults.vanishAfter = n; })},
        {"--sim-stuck-sector", parseStuckSector},
        {"--sim-flip", parseFlip},
    };
    return values;
}

bool isSimulatorOption(const std::string& name) { return name.rfind("--sim-", 0) == 0; }

bool checkCombination(const HeadlessOptions& options, bool simulatorOptionGiven, std::string& error)
{
    if (options.product && options.blocksFile) {
        error = "--product and --blocks both name a block list; give one of them";
        return false;
    }
    if (simulatorOptionGiven && !options.simulated) {
        error = "the --sim-... options need --simulated";
        return false;
    }
    return true;
}

}  // namespace

bool ParseHeadlessOptions(const std::vector<std::string>& args, HeadlessOptions& options, std::string& error)
{
    bool simulatorOptionGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const std::size_t equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.erase(equals);
        }
        simulatorOptionGiven = simulatorOptionGiven || isSimulatorOption(name);
        if (const auto flag = flagOptions().find(name); flag != flagOptions().end()) {
            if (value) {
                error = name + " takes no value";
                return false;
            }
            flag->second(options);
            continue;
        }
        const auto handler = valueOptions().find(name);
        if (handler == valueOptions().end()) {
            error = "unknown option \"" + args[i] + "\"";
            return false;
        }
        if (!value) {
            if (i + 1 == args.size()) {
                error = name + " needs a value";
                return false;
            }
            value = args[++i];
        }
        if (!handler->second(*value, options, error))
            return false;
    }
    return checkCombination(options, simulatorOptionGiven, error);
}

std::string HeadlessUsage(const std::string& programName)
{
    return "Usage: " + programName + R"( [options]

Writes a firmware image into the instrument's flash over MIDI, exactly as the
updater window does, for scripts, service benches and build pipelines.

  --list                 list the numbered MIDI out and in devices, then stop
  --product NAME         product type: config/NAME.cfg beside this program
  --blocks FILE          flash block list file to use instead of a product
  --out DEV              MIDI out device: its number, or a part of its name
                         (any letter case) that matches exactly one device
  --in DEV               MIDI in device, chosen the same way
  --data FILE            firmware data file (*.bin)
  --verify               read the image back and compare it (the default)
  --no-verify            skip the read-back
  -h, --help             show this text

The simulated instrument (no hardware needed):
  --simulated            add the simulated instrument after the real devices
  --sim-load FILE        fill its flash from FILE (low byte first) before the run;
                         by default the flash starts erased
  --sim-save FILE        write its flash (low byte first) to FILE after the run
  --sim-flash-words N    flash size in words (default 0x40000)
  --sim-reply-words N    words per read reply, 1 to 49 (default 16)
  --sim-latency MS       time before each reply (default 0)
  --sim-rate BYTES       link speed in bytes per second, 0 = unlimited
 faults:
  --sim-no-reply         never answer read requests
  --sim-empty-replies    answer every read with an empty message
  --sim-reply-length N   cut or pad every reply to N bytes (e.g. 7)
  --sim-oversized-reply N  replies of N words, more than the input buffer holds
  --sim-stuck-sector ADDR  the sector holding ADDR never erases (repeatable)
  --sim-flip ADDR:MASK   turn over MASK in the word written at ADDR (repeatable)
  --sim-busy-reads N     reads after an erase that still show the chip busy
  --sim-send-error-after N  sends fail after N messages (opening ones included)
  --sim-vanish-after N   the device disappears after N messages

Numbers are decimal or hexadecimal after 0x; ADDR and MASK are hexadecimal
word addresses and bits, as in the block list files.

Exit codes:
  0  update successful (or --help, --list)
  1  unexpected error of this program
  2  command line not understood
  3  product, block list, device or data file missing or unusable
  4  MIDI ports could not be opened
  5  erase, write, read-back or comparison failed
)";
}
