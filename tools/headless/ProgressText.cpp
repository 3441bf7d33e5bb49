#include "ProgressText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

std::string formatted(const char* format, double a, const char* unit)
{
    char text[64];
    std::snprintf(text, sizeof text, format, a, unit);
    return text;
}

std::string rateAndTimeLeft(const ProgressState& state, const char* separator)
{
    return FormatRate(ProgressRate(state)) + separator + FormatDuration(ProgressSecondsLeft(state)) + " left";
}

int chunksDone(const ProgressState& state) { return std::max(0, state.pos - state.lower); }

}  // namespace

int ProgressPercent(const ProgressState& state)
{
    if (state.upper <= state.lower)
        return 0;
    const long long span = static_cast<long long>(state.upper) - state.lower;
    const long long done = std::clamp<long long>(static_cast<long long>(state.pos) - state.lower, 0, span);
    return static_cast<int>(done * 100 / span);
}

double ProgressRate(const ProgressState& state)
{
    if (chunksDone(state) == 0 || state.elapsedSeconds <= 0)
        return 0;
    return chunksDone(state) * kBytesPerChunk / state.elapsedSeconds;
}

double ProgressSecondsLeft(const ProgressState& state)
{
    const int done = chunksDone(state);
    const int left = std::max(0, state.upper - std::max(state.pos, state.lower));
    if (left == 0)
        return 0;
    if (done == 0 || state.elapsedSeconds <= 0)
        return -1;
    return left * state.elapsedSeconds / done;
}

std::string FormatDuration(double seconds)
{
    if (seconds < 0 || !std::isfinite(seconds))
        return "--:--";
    const long long total = std::llround(seconds);
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
    return text;
}

std::string FormatRate(double bytesPerSecond)
{
    if (bytesPerSecond < 1024)
        return formatted("%.0f %s", bytesPerSecond, "B/s");
    if (bytesPerSecond < 1024 * 1024)
        return formatted("%.1f %s", bytesPerSecond / 1024, "KiB/s");
    return formatted("%.1f %s", bytesPerSecond / (1024 * 1024), "MiB/s");
}

std::string ProgressBarLine(const ProgressState& state, int barWidth)
{
    const int percent = ProgressPercent(state);
    const int filled = std::clamp(percent * barWidth / 100, 0, barWidth);
    char number[16];
    std::snprintf(number, sizeof number, "%3d%%", percent);
    return state.caption + " [" + std::string(filled, '#') + std::string(barWidth - filled, '-') + "] " + number +
           "  " + rateAndTimeLeft(state, "  ");
}

std::string ProgressPlainLine(const ProgressState& state)
{
    return state.caption + " " + std::to_string(ProgressPercent(state)) + "% (" + rateAndTimeLeft(state, ", ") + ")";
}
