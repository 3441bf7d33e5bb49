#pragma once
#include <string>
#include <vector>

#include "CommandLine.h"
#include "SimulatedInstrument.h"

//! Settings of the standalone simulated instrument, from its command line.
struct SimInstrumentOptions {
    std::string serverName;                        //!< empty: the default JACK server
    std::string clientName = "vantrel-sim-instrument";
    std::string rawMidiDevice;                     //!< non-empty: serve this ALSA raw MIDI device instead of JACK
    std::string flashInPath;                       //!< preload the flash from this image
    std::string flashOutPath;                      //!< write the flash here at exit
    std::string receivedOutPath;                   //!< write every byte received here at exit
    platform::SimulatedInstrument::Config config;
};

//! Exit codes of vantrel-sim-instrument.
enum SimInstrumentExit : int {
    kSimExitStopped = 0,    //!< stopped by SIGINT or SIGTERM (or --help, --version)
    kSimExitJack = 1,       //!< the JACK server could not be joined or went away, or the raw MIDI device not opened
    kSimExitUsage = 2,      //!< the command line could not be understood
    kSimExitFlashFile = 3,  //!< a flash file, or the file of received bytes, could not be read or written
};

//! Reads `args` (without the program name) into `options`; the outcome
//! says whether to run, or carries the help, the version or the mistake.
CommandLine::Outcome ParseSimInstrumentOptions(const std::vector<std::string>& args, SimInstrumentOptions& options);
