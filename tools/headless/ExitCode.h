#pragma once

//! Exit codes of vantrel-update, one per class of failure, so scripts can
//! tell a mistyped command from a broken link. A run stopped by SIGINT or
//! SIGTERM exits with 128 + the signal's number (130, 143).
enum ExitCode : int {
    kExitSuccess = 0,      //!< "Update successful !", a clean comparison or read, or --help / --list
    kExitInternal = 1,     //!< an unexpected error of the tool itself
    kExitUsage = 2,        //!< the command line could not be understood
    kExitSelection = 3,    //!< product, block list, device, data or output file missing or unusable
    kExitPorts = 4,        //!< the MIDI ports could not be opened or the exchange not started
    kExitTransfer = 5,     //!< erase, write, read-back, read or comparison failed
};
