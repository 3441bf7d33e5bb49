#include "TerminalProgress.h"

#include "FlashImageFile.h"

namespace {

// Redraws during the pauses of a run (erase waits) need no finer steps than this.
constexpr double kIdleRedrawInterval = 1.0;
// Erase to the end of the line.
constexpr const char* kClearToEnd = "\x1b[K";

}  // namespace

TerminalProgress::TerminalProgress(std::FILE* stream, bool terminal, Clock clock, std::FILE* output)
    : RunReport(std::move(clock)), m_stream(stream), m_output(output), m_terminal(terminal)
{
}

void TerminalProgress::Message(const std::string& caption, const std::string& text)
{
    BreakLine();
    std::fprintf(m_stream, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(m_stream);
}

void TerminalProgress::List(const std::string& title, const std::vector<std::string>& lines, bool forOutput)
{
    BreakLine();
    std::FILE* stream = forOutput ? m_output : m_stream;
    std::fprintf(stream, "%s:\n", title.c_str());
    for (const std::string& line : lines)
        std::fprintf(stream, "  %s\n", line.c_str());
    std::fflush(stream);
}

void TerminalProgress::Instrument(const platform::SimulatedInstrument::Statistics& statistics)
{
    BreakLine();
    std::fprintf(m_stream, "Simulated instrument: %s\n", FormatInstrumentSummary(statistics).c_str());
    std::fflush(m_stream);
}

void TerminalProgress::Inhibitor(const platform::SleepInhibitor& inhibitor)
{
    if (inhibitor.Held() && inhibitor.Caveat().empty())
        return;
    BreakLine();
    if (!inhibitor.Held())
        std::fprintf(m_stream, "No sleep inhibitor could be taken (%s): the computer may sleep during the run\n",
                     inhibitor.Problem().c_str());
    else
        std::fprintf(m_stream, "Note: %s\n", inhibitor.Caveat().c_str());
    std::fflush(m_stream);
}

void TerminalProgress::OnRange()
{
    BreakLine();
    m_lastPlainPercent = 0;
}

void TerminalProgress::OnStep()
{
    if (!m_terminal) {
        DrawPlainStep();
        return;
    }
    if (Now() - m_lastDraw >= kRedrawInterval || ProgressPercent(Snapshot()) == 100)
        Draw();
}

void TerminalProgress::OnCaption()
{
    if (m_terminal) {
        Draw();
        return;
    }
    std::fprintf(m_stream, "%s\n", ProgressPlainLine(Snapshot()).c_str());
    std::fflush(m_stream);
}

void TerminalProgress::OnIdle()
{
    if (m_terminal && HasCaption() && Now() - m_lastDraw >= kIdleRedrawInterval)
        Draw();
}

void TerminalProgress::BreakLine()
{
    if (!m_linePending)
        return;
    std::fputc('\n', m_stream);
    std::fflush(m_stream);
    m_linePending = false;
}

void TerminalProgress::Draw()
{
    std::fprintf(m_stream, "\r%s%s", ProgressBarLine(Snapshot(), kBarWidth).c_str(), kClearToEnd);
    std::fflush(m_stream);
    m_linePending = true;
    m_lastDraw = Now();
}

void TerminalProgress::DrawPlainStep()
{
    const int percent = ProgressPercent(Snapshot());
    const bool finished = percent == 100 && m_lastPlainPercent != 100;
    if (percent < m_lastPlainPercent + kPlainStepPercent && !finished)
        return;
    m_lastPlainPercent = percent;
    std::fprintf(m_stream, "%s\n", ProgressPlainLine(Snapshot()).c_str());
    std::fflush(m_stream);
}
