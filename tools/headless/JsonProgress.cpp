#include "JsonProgress.h"

#include "JsonLine.h"

JsonProgress::JsonProgress(std::FILE* stream, Clock clock) : RunReport(std::move(clock)), m_stream(stream) {}

void JsonProgress::Message(const std::string& caption, const std::string& text)
{
    Print(JsonLine().Add("event", "message").Add("caption", caption).Add("text", text));
}

void JsonProgress::List(const std::string& title, const std::vector<std::string>& lines, bool)
{
    Print(JsonLine().Add("event", "list").Add("title", title).Add("items", lines));
}

void JsonProgress::Instrument(const platform::SimulatedInstrument::Statistics& statistics)
{
    const auto count = [](std::size_t n) { return static_cast<std::int64_t>(n); };
    Print(JsonLine()
              .Add("event", "instrument")
              .Add("messages", count(statistics.messagesReceived))
              .Add("malformed", count(statistics.malformed))
              .Add("sectorsErased", count(statistics.sectorsErased))
              .Add("wordsWritten", count(statistics.wordsWritten))
              .Add("readReplies", count(statistics.repliesSent))
              .Add("endCommands", count(statistics.endCommands())));
}

void JsonProgress::Inhibitor(const platform::SleepInhibitor& inhibitor)
{
    JsonLine line;
    line.Add("event", "inhibitor").Add("taken", inhibitor.Held()).Add("what", inhibitor.What());
    line.Add("who", inhibitor.Who()).Add("why", inhibitor.Why());
    if (!inhibitor.Held())
        line.Add("error", inhibitor.Problem());
    Print(line);
}

void JsonProgress::Result(const RunResult& result)
{
    JsonLine line;
    line.Add("event", "result").Add("mode", result.mode).Add("exitCode", std::int64_t{result.exitCode});
    line.Add("success", result.exitCode == 0);
    if (result.firstDifference)
        line.Add("firstDifference", std::int64_t{*result.firstDifference});
    if (!result.interruptedBy.empty())
        line.Add("interruptedBy", result.interruptedBy);
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
    JsonLine line;
    line.Add("event", "progress").Add("phase", state.caption).Add("percent", std::int64_t{percent});
    line.Add("position", std::int64_t{state.pos}).Add("range", std::int64_t{state.upper - state.lower});
    line.Add("bytesPerSecond", ProgressRate(state));
    const double left = ProgressSecondsLeft(state);
    if (left < 0)
        line.AddNull("secondsLeft");
    else
        line.Add("secondsLeft", left);
    Print(line);
}

void JsonProgress::Print(const JsonLine& line)
{
    std::fprintf(m_stream, "%s\n", line.Text().c_str());
    std::fflush(m_stream);
}
