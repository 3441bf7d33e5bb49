#pragma once
#include <string>
#include <vector>

#include "SimulatedInstrument.h"

//! Settings of the standalone simulated instrument, from its command line.
struct SimInstrumentOptions {
    std::string serverName;                        //!< empty: the default JACK server
    std::string clientName = "vantrel-sim-instrument";
    std::string flashInPath;                       //!< preload the flash from this image
    std::string flashOutPath;                      //!< write the flash here at exit
    platform::SimulatedInstrument::Config config;
    bool help = false;
};

//! Reads `args` (without the program name). Returns false with `error` set
//! on an unknown option, a missing value or a value out of range.
bool ParseSimInstrumentOptions(const std::vector<std::string>& args, SimInstrumentOptions& options,
                               std::string& error);

//! Reads a number given in decimal or, with a 0x prefix, in hexadecimal.
bool ParseSimNumber(const std::string& text, unsigned long long& value);

//! The --help text.
std::string SimInstrumentUsage(const std::string& program);
