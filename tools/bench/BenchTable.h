#pragma once
// The benchmark's results as a plain-text table for the terminal and as a
// Markdown table for the README.
#include <string>
#include <vector>

namespace bench {

//! One measured update.
struct BenchRow {
    std::string link;           //!< how the instrument was reached
    double measuredSeconds = 0;
    double boundSeconds = 0;
    double cpuSeconds = 0;      //!< user + system time of the updater's process
    double simulatorCpuSeconds = -1;  //!< of that, the in-process instrument's thread; -1: none
    int exitCode = 0;           //!< the updater's exit code; only 0 is a measurement
};

//! measured / bound.
double Ratio(const BenchRow& row);
//! The updater's own CPU time (the in-process instrument's left out) as a
//! percentage of one core over the run.
double CpuPercent(const BenchRow& row);

//! Aligned columns, one row per line.
std::string TextTable(const std::vector<BenchRow>& rows);
//! A GitHub-flavoured Markdown table.
std::string MarkdownTable(const std::vector<BenchRow>& rows);

}  // namespace bench
