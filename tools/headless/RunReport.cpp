#include "RunReport.h"

#include <chrono>
#include <utility>

#include "PumpWaitingMessages.h"
#include "UserMessage.h"

RunReport::RunReport(Clock clock) : m_clock(std::move(clock)) {}

double RunReport::SteadySeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void RunReport::SetRange(int lower, int upper)
{
    // Each phase of the run begins with its range: its rate counts from here.
    m_lower = lower;
    m_upper = upper;
    m_pos = lower;
    m_caption.clear();
    m_phaseStart = m_clock();
    OnRange();
}

void RunReport::SetPos(int pos)
{
    m_pos = pos;
    if (!m_caption.empty())
        OnStep();
}

void RunReport::SetCaption(const std::string& caption)
{
    m_caption = caption;
    OnCaption();
}

void RunReport::ShowMessage(const std::string& text) { platform::ShowMessage(text); }

void RunReport::Pump()
{
    PumpWaitingMessages();
    OnIdle();
}

ProgressState RunReport::Snapshot() const { return {m_caption, m_lower, m_upper, m_pos, m_clock() - m_phaseStart}; }
