#include "JsonProgress.h"

#include <cmath>
#include <cstdint>

namespace {

// Length of the well-formed UTF-8 sequence at `at`, or 0 when it is not one.
std::size_t utf8Length(const std::string& text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    unsigned lowest = 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        lowest = 0x10000;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    unsigned code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code >= lowest && code <= 0x10FFFF && !surrogate ? length : 0;
}

// `text` as UTF-8, which JSON requires: bytes that are not UTF-8 stand for
// the Latin-1 characters of the same number, so a path or a driver's text in
// another encoding still reads.
std::string utf8(const std::string& text)
{
    std::string valid;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = utf8Length(text, i);
        if (length != 0) {
            valid.append(text, i, length);
            i += length;
        } else {
            const auto latin1 = static_cast<unsigned char>(text[i++]);
            valid += static_cast<char>(0xC0 | (latin1 >> 6));
            valid += static_cast<char>(0x80 | (latin1 & 0x3F));
        }
    }
    return valid;
}

// Rates and times to a tenth: more digits would only be noise.
double tenths(double value) { return std::round(value * 10) / 10; }

}  // namespace

JsonProgress::JsonProgress(std::FILE* stream, Clock clock) : RunReport(std::move(clock)), m_stream(stream) {}

void JsonProgress::Message(const std::string& caption, const std::string& text)
{
    Print({{"event", "message"}, {"caption", utf8(caption)}, {"text", utf8(text)}});
}

void JsonProgress::List(const std::string& title, const std::vector<std::string>& lines, bool)
{
    Json items = Json::array();
    for (const std::string& line : lines)
        items.push_back(utf8(line));
    Print({{"event", "list"}, {"title", utf8(title)}, {"items", items}});
}

void JsonProgress::Instrument(const platform::SimulatedInstrument::Statistics& statistics)
{
    Print({{"event", "instrument"},
           {"messages", statistics.messagesReceived},
           {"malformed", statistics.malformed},
           {"sectorsErased", statistics.sectorsErased},
           {"wordsWritten", statistics.wordsWritten},
           {"readReplies", statistics.repliesSent},
           {"endCommands", statistics.endCommands()}});
}

void JsonProgress::Inhibitor(const platform::SleepInhibitor& inhibitor)
{
    Json line{{"event", "inhibitor"},
              {"taken", inhibitor.Held()},
              {"what", utf8(inhibitor.What())},
              {"who", utf8(inhibitor.Who())},
              {"why", utf8(inhibitor.Why())}};
    if (!inhibitor.Held())
        line["error"] = utf8(inhibitor.Problem());
    if (!inhibitor.Caveat().empty())
        line["caveat"] = utf8(inhibitor.Caveat());
    Print(line);
}

void JsonProgress::Saved(const std::string& path) { Print({{"event", "saved"}, {"path", utf8(path)}}); }

void JsonProgress::Result(const RunResult& result)
{
    Json line{{"event", "result"}, {"mode", result.mode}, {"exitCode", result.exitCode}, {"success", result.exitCode == 0}};
    if (result.firstDifference)
        line["firstDifference"] = *result.firstDifference;
    if (!result.interruptedBy.empty())
        line["interruptedBy"] = result.interruptedBy;
    Print(line);
}

void JsonProgress::OnCaption()
{
    m_lastPercent = -1;
    Progress();
}

void JsonProgress::OnStep() { Progress(); }

void JsonProgress::Progress()
{
    const ProgressState state = Snapshot();
    const int percent = ProgressPercent(state);
    if (percent == m_lastPercent)
        return;
    m_lastPercent = percent;
    const double left = ProgressSecondsLeft(state);
    Print({{"event", "progress"},
           {"phase", utf8(state.caption)},
           {"percent", percent},
           {"position", state.pos},
           {"range", state.upper - state.lower},
           {"bytesPerSecond", tenths(ProgressRate(state))},
           {"secondsLeft", left < 0 ? Json(nullptr) : Json(tenths(left))}});
}

void JsonProgress::Print(const Json& line)
{
    std::fprintf(m_stream, "%s\n", line.dump().c_str());
    std::fflush(m_stream);
}
