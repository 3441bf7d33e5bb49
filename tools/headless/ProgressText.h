#pragma once
// What the headless updater's progress display says, apart from the terminal.
#include <string>

//! One moment of an update phase as the run reports it.
struct ProgressState {
    std::string caption;         //!< "Updating..." or "Verifing..."
    int lower = 0;               //!< range, in chunks of 1024 words
    int upper = 0;
    int pos = 0;                 //!< position as reported (may pass the upper bound)
    double elapsedSeconds = 0;   //!< since the phase began
};

//! Bytes in one chunk of the run (1024 words).
constexpr double kBytesPerChunk = 2048;

//! Percentage of the position within the range, as the window's bar shows it:
//! the position clamped into the range; 0 for an empty range.
int ProgressPercent(const ProgressState& state);

//! Bytes per second so far; 0 before the first chunk.
double ProgressRate(const ProgressState& state);

//! Seconds the rest of the range will take at the rate so far; negative when unknown.
double ProgressSecondsLeft(const ProgressState& state);

//! "m:ss", or "h:mm:ss" from an hour on; "--:--" for a negative (unknown) time.
std::string FormatDuration(double seconds);

//! "512 B/s", "12.3 KiB/s" or "1.5 MiB/s".
std::string FormatRate(double bytesPerSecond);

//! A line redrawn in place on a terminal:
//! "Updating... [########------------]  42%  12.3 KiB/s  0:05 left".
std::string ProgressBarLine(const ProgressState& state, int barWidth);

//! A line for a log: "Updating... 42% (12.3 KiB/s, 0:05 left)".
std::string ProgressPlainLine(const ProgressState& state);
