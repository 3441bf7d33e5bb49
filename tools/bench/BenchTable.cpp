#include "BenchTable.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace bench {
namespace {

constexpr std::size_t kColumns = 6;
constexpr std::array<const char*, kColumns> kHeadings = {"Link",  "Measured",       "Lower bound",
                                                         "Ratio", "CPU, updater", "CPU, with instrument"};

std::string Format(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::array<std::string, kColumns> Cells(const BenchRow& row)
{
    if (row.exitCode != 0)
        return {row.link, "failed (exit " + std::to_string(row.exitCode) + ")", Format("%.2f s", row.boundSeconds), "",
                "", ""};
    const std::string withInstrument =
        row.simulatorCpuSeconds < 0 ? "(own process)" : Format("%.2f %%", 100.0 * row.cpuSeconds / row.measuredSeconds);
    return {row.link,
            Format("%.2f s", row.measuredSeconds),
            Format("%.2f s", row.boundSeconds),
            Format("%.3f", Ratio(row)),
            Format("%.2f %%", CpuPercent(row)),
            withInstrument};
}

}  // namespace

double Ratio(const BenchRow& row) { return row.boundSeconds > 0 ? row.measuredSeconds / row.boundSeconds : 0; }

double CpuPercent(const BenchRow& row)
{
    const double own = row.cpuSeconds - std::max(row.simulatorCpuSeconds, 0.0);
    return row.measuredSeconds > 0 ? 100.0 * own / row.measuredSeconds : 0;
}

std::string TextTable(const std::vector<BenchRow>& rows)
{
    std::vector<std::array<std::string, kColumns>> lines(1);
    std::copy(kHeadings.begin(), kHeadings.end(), lines[0].begin());
    for (const BenchRow& row : rows)
        lines.push_back(Cells(row));
    std::array<std::size_t, kColumns> widths{};
    for (const auto& line : lines)
        for (std::size_t i = 0; i < line.size(); ++i)
            widths[i] = std::max(widths[i], line[i].size());
    std::string text;
    for (const auto& line : lines) {
        for (std::size_t i = 0; i < line.size(); ++i) {
            // The link left-aligned, the figures right-aligned.
            const std::string pad(widths[i] - line[i].size(), ' ');
            text += i == 0 ? line[i] + pad : "  " + pad + line[i];
        }
        text += '\n';
    }
    return text;
}

std::string MarkdownTable(const std::vector<BenchRow>& rows)
{
    std::string text = "|";
    for (const char* heading : kHeadings)
        text += std::string(" ") + heading + " |";
    text += "\n|---|---:|---:|---:|---:|---:|\n";
    for (const BenchRow& row : rows) {
        text += "|";
        for (const std::string& cell : Cells(row))
            text += " " + cell + " |";
        text += '\n';
    }
    return text;
}

}  // namespace bench
