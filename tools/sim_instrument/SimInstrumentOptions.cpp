#include "SimInstrumentOptions.h"

#include <charconv>
#include <functional>
#include <map>

using Instrument = platform::SimulatedInstrument;

bool ParseSimNumber(const std::string& text, unsigned long long& value)
{
    int base = 10;
    std::size_t start = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        start = 2;
    }
    const char* first = text.data() + start;
    const char* last = text.data() + text.size();
    if (first == last)
        return false;
    const auto [end, err] = std::from_chars(first, last, value, base);
    return err == std::errc() && end == last;
}

namespace {

using Handler = std::function<bool(const std::string& value, SimInstrumentOptions& options, std::string& error)>;

bool readNumber(const std::string& option, const std::string& text, unsigned long long low, unsigned long long high,
                unsigned long long& value, std::string& error)
{
    if (!ParseSimNumber(text, value) || value < low || value > high) {
        error = option + " takes a number from " + std::to_string(low) + " to " + std::to_string(high) + ", not \"" +
                text + "\"";
        return false;
    }
    return true;
}

template <class Store>
Handler number(const std::string& option, unsigned long long low, unsigned long long high, Store store)
{
    return [=](const std::string& text, SimInstrumentOptions& options, std::string& error) {
        unsigned long long value = 0;
        if (!readNumber(option, text, low, high, value, error))
            return false;
        store(options, value);
        return true;
    };
}

Handler text(std::string SimInstrumentOptions::*member)
{
    return [member](const std::string& value, SimInstrumentOptions& options, std::string&) {
        options.*member = value;
        return true;
    };
}

bool parseSectors(const std::string& text, SimInstrumentOptions& options, std::string& error)
{
    std::vector<std::uint32_t> starts;
    std::size_t from = 0;
    while (from <= text.size()) {
        const std::size_t comma = std::min(text.find(',', from), text.size());
        unsigned long long value = 0;
        if (!readNumber("--sectors", text.substr(from, comma - from), 0, 0xFFFFFFFF, value, error))
            return false;
        if (!starts.empty() && value <= starts.back()) {
            error = "--sectors takes ascending start addresses, e.g. 0,0x2000,0x3000";
            return false;
        }
        starts.push_back(static_cast<std::uint32_t>(value));
        from = comma + 1;
    }
    options.config.sectorStarts = std::move(starts);
    return true;
}

bool parseFlip(const std::string& text, SimInstrumentOptions& options, std::string& error)
{
    const std::size_t colon = text.find(':');
    unsigned long long address = 0;
    unsigned long long mask = 0;
    if (colon == std::string::npos || !ParseSimNumber(text.substr(0, colon), address) || address > 0xFFFFFFFF ||
        !ParseSimNumber(text.substr(colon + 1), mask) || mask == 0 || mask > 0xFFFF) {
        error = "--flip takes ADDR:MASK, e.g. 0x400:0x0001, not \"" + text + "\"";
        return false;
    }
    options.config.faults.bitFlips.push_back({static_cast<std::uint32_t>(address), static_cast<std::uint16_t>(mask)});
    return true;
}

const std::map<std::string, std::function<void(SimInstrumentOptions&)>>& switches()
{
    static const std::map<std::string, std::function<void(SimInstrumentOptions&)>> table = {
        {"--help", [](SimInstrumentOptions& o) { o.help = true; }},
        {"-h", [](SimInstrumentOptions& o) { o.help = true; }},
        {"--no-reply", [](SimInstrumentOptions& o) { o.config.faults.noReply = true; }},
        {"--empty-replies", [](SimInstrumentOptions& o) { o.config.faults.emptyReplies = true; }},
    };
    return table;
}

const std::map<std::string, Handler>& valued()
{
    constexpr unsigned long long kAny = 0xFFFFFFFF;
    static const std::map<std::string, Handler> table = {
        {"--server", text(&SimInstrumentOptions::serverName)},
        {"--name", [](const std::string& v, SimInstrumentOptions& o, std::string& e) {
             if (v.empty()) {
                 e = "--name takes a client name";
                 return false;
             }
             o.clientName = v;
             return true;
         }},
        {"--flash-in", text(&SimInstrumentOptions::flashInPath)},
        {"--flash-out", text(&SimInstrumentOptions::flashOutPath)},
        {"--flash-words", number("--flash-words", 1, Instrument::kMaxFlashWords, [](SimInstrumentOptions& o, auto v) {
             o.config.flashWords = static_cast<std::uint32_t>(v);
         })},
        {"--sectors", parseSectors},
        {"--reply-words", number("--reply-words", 1, Instrument::kMaxReplyWords, [](SimInstrumentOptions& o, auto v) {
             o.config.replyWords = static_cast<std::size_t>(v);
         })},
        {"--latency", number("--latency", 0, 60000, [](SimInstrumentOptions& o, auto v) {
             o.config.replyLatencyMs = static_cast<unsigned>(v);
         })},
        {"--reply-length", number("--reply-length", 1, 4096, [](SimInstrumentOptions& o, auto v) {
             o.config.faults.replyLength = static_cast<std::size_t>(v);
         })},
        {"--oversized-reply", number("--oversized-reply", Instrument::kMaxReplyWords + 1, 1024,
                                     [](SimInstrumentOptions& o, auto v) {
                                         o.config.faults.oversizedReplyWords = static_cast<std::size_t>(v);
                                     })},
        {"--stuck-sector", number("--stuck-sector", 0, kAny, [](SimInstrumentOptions& o, auto v) {
             o.config.faults.stuckSectors.push_back(static_cast<std::uint32_t>(v));
         })},
        {"--flip", parseFlip},
        {"--busy-reads", number("--busy-reads", 0, kAny, [](SimInstrumentOptions& o, auto v) {
             o.config.faults.busyReadsAfterErase = static_cast<unsigned>(v);
         })},
        {"--send-error-after", number("--send-error-after", 0, kAny, [](SimInstrumentOptions& o, auto v) {
             o.config.faults.sendErrorAfter = static_cast<std::size_t>(v);
         })},
        {"--send-error-count", number("--send-error-count", 1, kAny, [](SimInstrumentOptions& o, auto v) {
             o.config.faults.sendErrorCount = static_cast<std::size_t>(v);
         })},
        {"--vanish-after", number("--vanish-after", 0, kAny, [](SimInstrumentOptions& o, auto v) {
             o.config.faults.vanishAfter = static_cast<std::size_t>(v);
         })},
    };
    return table;
}

bool checkConsistency(SimInstrumentOptions& options, bool sectorsGiven, std::string& error)
{
    // Without a map of its own, a flash of another size gets the default layout for its size.
    if (!sectorsGiven)
        options.config.sectorStarts = Instrument::DefaultSectorStarts(options.config.flashWords);
    if (!options.config.sectorStarts.empty() && options.config.sectorStarts.back() >= options.config.flashWords) {
        error = "--sectors lists a start beyond the flash";
        return false;
    }
    return true;
}

}  // namespace

bool ParseSimInstrumentOptions(const std::vector<std::string>& args, SimInstrumentOptions& options, std::string& error)
{
    bool sectorsGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool inlineValue = false;
        if (const std::size_t equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
            inlineValue = true;
        }
        if (const auto sw = switches().find(name); sw != switches().end() && !inlineValue) {
            sw->second(options);
            continue;
        }
        const auto option = valued().find(name);
        if (option == valued().end()) {
            error = "unknown option \"" + args[i] + "\"";
            return false;
        }
        if (!inlineValue) {
            if (i + 1 >= args.size()) {
                error = name + " needs a value";
                return false;
            }
            value = args[++i];
        }
        if (!option->second(value, options, error))
            return false;
        sectorsGiven = sectorsGiven || name == "--sectors";
    }
    return checkConsistency(options, sectorsGiven, error);
}

std::string SimInstrumentUsage(const std::string& program)
{
    return "Usage: " + program + R"( [options]

A simulated instrument on a JACK server: one MIDI input and one MIDI output
port speaking the instrument's update protocol. Runs until SIGINT or SIGTERM,
then writes its flash (with --flash-out) and prints a summary.

  --server NAME          JACK server to join (default: the default server)
  --name NAME            client name (default vantrel-sim-instrument)
  --flash-in FILE        start with this image in flash (low byte first)
  --flash-out FILE       write the whole flash (low byte first) at exit
  --flash-words N        flash size in words (default 0x40000)
  --sectors A,B,...      ascending sector start word addresses
  --reply-words N        words per read reply, 1 to 49 (default 16)
  --latency MS           time before each reply (default 0)
Faults:
  --no-reply             never answer read requests
  --empty-replies        answer every read with F0 F7 only
  --reply-length N       cut or pad every reply to N bytes (e.g. 7)
  --oversized-reply N    replies of N words, more than the updater's input buffer
  --stuck-sector ADDR    the sector holding ADDR never erases (repeatable)
  --flip ADDR:MASK       turn over MASK in the word written at ADDR (repeatable)
  --busy-reads N         reads after an erase that still show the chip busy
  --send-error-after N   drop messages after N (--send-error-count in a row)
  --send-error-count N   how many messages are dropped (default 1)
  --vanish-after N       disconnect both ports after N messages
  -h, --help             show this text
Numbers are decimal, or hexadecimal with a 0x prefix.
Exit status: 0 stopped by a signal, 1 JACK failure, 2 usage, 3 flash file error.
)";
}
