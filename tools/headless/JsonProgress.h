#pragma once
#include <cstdio>

#include <nlohmann/json.hpp>

#include "RunReport.h"

//! The headless updater's report for scripts (--json): one JSON object per
//! line on `stream`, each with an "event" member first: "progress" (at the
//! start of each phase and at each whole percent), "message", "list",
//! "instrument", "inhibitor", "saved" and, last, "result".
class JsonProgress : public RunReport {
public:
    explicit JsonProgress(std::FILE* stream, Clock clock = SteadySeconds);

    void Message(const std::string& caption, const std::string& text) override;
    void List(const std::string& title, const std::vector<std::string>& lines, bool forOutput) override;
    void Instrument(const platform::SimulatedInstrument::Statistics& statistics) override;
    void Inhibitor(const platform::SleepInhibitor& inhibitor) override;
    void Saved(const std::string& path) override;
    void Result(const RunResult& result) override;

private:
    //! Members stay in the order they are added.
    using Json = nlohmann::ordered_json;

    void OnCaption() override;
    void OnStep() override;
    void Progress();
    void Print(const Json& line);

    std::FILE* m_stream;
    int m_lastPercent = -1;
};
