#pragma once
#include <cstdio>
#include <functional>
#include <string>

#include "ProgressText.h"
#include "UpdateObserver.h"

//! The headless updater's progress display: on a terminal a bar with
//! caption, percentage, rate and time left, redrawn in place; otherwise
//! plain lines at every tenth of the way, fit for logs.
class TerminalProgress : public UpdateObserver {
public:
    //! Seconds on a steady clock.
    using Clock = std::function<double()>;

    //! Width of the drawn bar in characters.
    static constexpr int kBarWidth = 30;
    //! Least time between two redraws of the bar, in seconds.
    static constexpr double kRedrawInterval = 0.1;
    //! Percentage steps between plain lines.
    static constexpr int kPlainStepPercent = 10;

    //! Draws to `stream`; `terminal` chooses the bar or plain lines.
    TerminalProgress(std::FILE* stream, bool terminal, Clock clock = SteadySeconds);

    void SetRange(int lower, int upper) override;
    void SetPos(int pos) override;
    void SetCaption(const std::string& caption) override;
    //! Passes the text to the message handler (platform::ShowMessage).
    void ShowMessage(const std::string& text) override;
    //! Dispatches waiting events and keeps the time left current during long waits.
    void Pump() override;

    //! Ends a bar drawn in place, so that the next output starts on a line of its own.
    void BreakLine();

    //! The default clock.
    static double SteadySeconds();

private:
    void Draw();
    void DrawPlainStep();
    ProgressState Snapshot() const;

    std::FILE* m_stream;
    bool m_terminal;
    Clock m_clock;
    std::string m_caption;
    int m_lower = 0;
    int m_upper = 0;
    int m_pos = 0;
    double m_phaseStart = 0;
    double m_lastDraw = -1;
    int m_lastPlainPercent = 0;
    bool m_linePending = false;  // a bar is on the line without its line end
};
