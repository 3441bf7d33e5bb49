#include "TerminalProgress.h"

#include <chrono>
#include <utility>

#include "PumpWaitingMessages.h"
#include "UserMessage.h"

namespace {

// Redraws during the pauses of a run (erase waits) need no finer steps than this.
constexpr double kIdleRedrawInterval = 1.0;
// Carriage return, the line, and erase to the end of the line.
constexpr const char* kClearToEnd = "\x1b[K";

}  // namespace

TerminalProgress::TerminalProgress(std::FILE* stream, bool terminal, Clock clock)
    : m_stream(stream), m_terminal(terminal), m_clock(std::move(clock))
{
}

double TerminalProgress::SteadySeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void TerminalProgress::SetRange(int lower, int upper)
{
    // Each phase of the run begins with its range: its rate counts from here.
    BreakLine();
    m_lower = lower;
    m_upper = upper;
    m_pos = lower;
    m_caption.clear();
    m_phaseStart = m_clock();
    m_lastPlainPercent = 0;
}

void TerminalProgress::SetPos(int pos)
{
    m_pos = pos;
    if (m_caption.empty())
        return;
    if (m_terminal) {
        if (m_clock() - m_lastDraw >= kRedrawInterval || ProgressPercent(Snapshot()) == 100)
            Draw();
    } else {
        DrawPlainStep();
    }
}

void TerminalProgress::SetCaption(const std::string& caption)
{
    m_caption = caption;
    if (m_terminal) {
        Draw();
    } else {
        std::fprintf(m_stream, "%s\n", ProgressPlainLine(Snapshot()).c_str());
        std::fflush(m_stream);
    }
}

void TerminalProgress::ShowMessage(const std::string& text) { platform::ShowMessage(text); }

void TerminalProgress::Pump()
{
    PumpWaitingMessages();
    if (m_terminal && !m_caption.empty() && m_clock() - m_lastDraw >= kIdleRedrawInterval)
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
    m_lastDraw = m_clock();
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

ProgressState TerminalProgress::Snapshot() const
{
    return {m_caption, m_lower, m_upper, m_pos, m_clock() - m_phaseStart};
}
