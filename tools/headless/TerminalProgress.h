#pragma once
#include <cstdio>
#include <string>

#include "RunReport.h"

//! The headless updater's report for people: on a terminal a bar with
//! caption, percentage, rate and time left, redrawn in place; otherwise
//! plain lines at every tenth of the way, fit for logs. Messages and lists
//! go to `stream`, answers (such as --list) to `output`.
class TerminalProgress : public RunReport {
public:
    //! Width of the drawn bar in characters.
    static constexpr int kBarWidth = 30;
    //! Least time between two redraws of the bar, in seconds.
    static constexpr double kRedrawInterval = 0.1;
    //! Percentage steps between plain lines.
    static constexpr int kPlainStepPercent = 10;

    //! Draws to `stream`; `terminal` chooses the bar or plain lines.
    TerminalProgress(std::FILE* stream, bool terminal, Clock clock = SteadySeconds, std::FILE* output = stdout);

    void Message(const std::string& caption, const std::string& text) override;
    void List(const std::string& title, const std::vector<std::string>& lines, bool forOutput) override;
    void Instrument(const platform::SimulatedInstrument::Statistics& statistics) override;
    //! Says something only when no lock could be taken.
    void Inhibitor(const platform::SleepInhibitor& inhibitor) override;
    //! Everything was said by the messages already.
    void Result(const RunResult&) override {}

    //! Ends a bar drawn in place, so that the next output starts on a line of its own.
    void BreakLine();

private:
    void OnRange() override;
    void OnCaption() override;
    void OnStep() override;
    void OnIdle() override;
    void Draw();
    void DrawPlainStep();

    std::FILE* m_stream;
    std::FILE* m_output;
    bool m_terminal;
    double m_lastDraw = -1;
    int m_lastPlainPercent = 0;
    bool m_linePending = false;  // a bar is on the line without its line end
};
