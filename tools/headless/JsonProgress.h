#pragma once
#include <cstdio>

#include "RunReport.h"

//! The headless updater's report for scripts (--json): one JSON object per
//! line on `stream`, each with an "event" member: "progress" (at the start
//! of each phase and at each whole percent), "message", "list",
//! "instrument" and, last, "result".
class JsonProgress : public RunReport {
public:
    explicit JsonProgress(std::FILE* stream, Clock clock = SteadySeconds);

    void Message(const std::string& caption, const std::string& text) override;
    void List(const std::string& title, const std::vector<std::string>& lines, bool forOutput) override;
    void Instrument(const platform::SimulatedInstrument::Statistics& statistics) override;
    void Inhibitor(const platform::SleepInhibitor& inhibitor) override;
    void Result(const RunResult& result) override;

private:
    void OnCaption() override;
    void OnStep() override;
    void Progress();
    void Print(const class JsonLine& line);

    std::FILE* m_stream;
    int m_lastPercent = -1;
};
