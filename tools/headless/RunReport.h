#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ProgressText.h"
#include "SimulatedInstrument.h"
#include "SleepInhibitor.h"
#include "UpdateObserver.h"

//! What a run of the headless updater came to, for those who read it by program.
struct RunResult {
    std::string mode;                              //!< "update", "verify-only", "read", "probe" or "list"
    int exitCode = 0;                              //!< see ExitCode.h
    std::optional<std::uint32_t> firstDifference;  //!< the first word the flash and the image differ in
    std::string interruptedBy;                     //!< "SIGINT" or "SIGTERM" when a signal stopped the run
};

//! Where a headless run reports to: the update steps' progress, the
//! messages, lists, the simulated instrument's summary and the result. The
//! progress of a phase is kept here; subclasses decide how it shows.
class RunReport : public UpdateObserver {
public:
    //! Seconds on a steady clock.
    using Clock = std::function<double()>;

    explicit RunReport(Clock clock);

    void SetRange(int lower, int upper) final;
    void SetPos(int pos) final;
    void SetCaption(const std::string& caption) final;
    //! Passes the text to the message handler (platform::ShowMessage), which
    //! brings it back to Message.
    void ShowMessage(const std::string& text) final;
    //! Dispatches waiting events, then lets the display catch up.
    void Pump() final;

    //! A message for the user; `caption` is the program's name.
    virtual void Message(const std::string& caption, const std::string& text) = 0;
    //! A list under `title`, e.g. the MIDI devices; `forOutput` asks for the
    //! standard output (an answer, as to --list) rather than next to the messages.
    virtual void List(const std::string& title, const std::vector<std::string>& lines, bool forOutput) = 0;
    //! What the simulated instrument received and did.
    virtual void Instrument(const platform::SimulatedInstrument::Statistics& statistics) = 0;
    //! Whether the computer is kept awake during the run, and why not.
    virtual void Inhibitor(const platform::SleepInhibitor& inhibitor) = 0;
    //! A file the run wrote for the user (a backup, a read-out) is complete
    //! at `path`; the message saying so follows.
    virtual void Saved(const std::string& path) { (void)path; }
    //! What the run came to, once at its end.
    virtual void Result(const RunResult& result) = 0;

    //! The default clock.
    static double SteadySeconds();

protected:
    //! A new phase began (its range is set, its caption not yet).
    virtual void OnRange() {}
    //! The caption of the phase was set.
    virtual void OnCaption() = 0;
    //! The position moved.
    virtual void OnStep() = 0;
    //! Time passes without a step (waits between messages).
    virtual void OnIdle() {}

    //! The phase as it stands.
    ProgressState Snapshot() const;
    double Now() const { return m_clock(); }
    bool HasCaption() const { return !m_caption.empty(); }

private:
    Clock m_clock;
    std::string m_caption;
    int m_lower = 0;
    int m_upper = 0;
    int m_pos = 0;
    double m_phaseStart = 0;
};
