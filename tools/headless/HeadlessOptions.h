#pragma once
// The command line of vantrel-update, parsed apart from anything it drives.
#include <optional>
#include <string>
#include <vector>

#include "SimulatedInstrument.h"

//! Everything the command line asks for.
struct HeadlessOptions {
    bool help = false;
    bool list = false;
    std::optional<std::string> product;     //!< --product: a .cfg of the config directory
    std::optional<std::string> blocksFile;  //!< --blocks: a block list file given directly
    std::optional<std::string> outDevice;   //!< --out: number or part of a name
    std::optional<std::string> inDevice;    //!< --in: number or part of a name
    std::optional<std::string> dataPath;    //!< --data
    bool verify = true;                     //!< the window starts with Verify ticked

    bool simulated = false;                 //!< --simulated: add the in-process instrument
    platform::SimulatedInstrument::Config simulator;  //!< its shape and faults
    std::optional<std::string> simulatorLoadPath;      //!< --sim-load: its flash before the run
    std::optional<std::string> simulatorSavePath;      //!< --sim-save: its flash after the run
};

//! Parses `args` (without the program name) into `options`. On a mistake
//! returns false with a one-line explanation in `error`.
bool ParseHeadlessOptions(const std::vector<std::string>& args, HeadlessOptions& options, std::string& error);

//! The --help text, exit codes included.
std::string HeadlessUsage(const std::string& programName);
