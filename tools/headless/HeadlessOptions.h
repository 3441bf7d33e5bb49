#pragma once
// The command line of vantrel-update, parsed apart from anything it drives.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "SimulatedInstrument.h"

//! Everything the command line asks for.
struct HeadlessOptions {
    //! What the run does with the instrument.
    enum class Mode {
        List,        //!< --list: show the devices
        Update,      //!< erase, write and (by default) read back the image
        VerifyOnly,  //!< --verify-only: compare the flash with the image
        Read,        //!< --read: save flash contents to a file
        Probe,       //!< --probe: read one word to see whether the instrument answers
    };

    bool list = false;
    std::optional<std::string> product;     //!< --product: a .cfg of the config directory
    std::optional<std::string> blocksFile;  //!< --blocks: a block list file given directly
    std::optional<std::string> outDevice;   //!< --out: number or part of a name
    std::optional<std::string> inDevice;    //!< --in: number or part of a name
    std::optional<std::string> dataPath;    //!< --data
    bool verify = true;                     //!< the window starts with Verify ticked
    std::optional<std::string> backupPath;  //!< --backup: save what the update replaces first
    bool verifyOnly = false;                //!< --verify-only
    bool probe = false;                     //!< --probe
    std::optional<std::string> readPath;    //!< --read: where the flash contents go
    std::uint32_t readFrom = 0;             //!< --from: first word read
    std::uint64_t readWords = 0;            //!< --words: words read
    bool json = false;                      //!< --json: JSON lines instead of text

    bool simulated = false;                 //!< --simulated: add the in-process instrument
    platform::SimulatedInstrument::Config simulator;  //!< its shape and faults
    std::optional<std::string> simulatorLoadPath;      //!< --sim-load: its flash before the run
    std::optional<std::string> simulatorSavePath;      //!< --sim-save: its flash after the run

    //! The mode the options select.
    Mode mode() const;
};

//! Parses `args` (without the program name) into `options`; the outcome
//! says whether to run, or carries the help, the version or the mistake.
CommandLine::Outcome ParseHeadlessOptions(const std::vector<std::string>& args, HeadlessOptions& options);
