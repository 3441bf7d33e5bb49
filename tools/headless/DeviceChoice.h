#pragma once
// Picking a MIDI device from the command line's description of it.
#include <cstddef>
#include <string>
#include <vector>

//! Outcome of matching a device description against a device list.
struct DeviceChoice {
    enum class Result {
        Found,       //!< `index` is the device
        NoSuchNumber,//!< a number beyond the list
        NoMatch,     //!< no name contains the text
        Ambiguous,   //!< several names contain it and none equals it
    };
    Result result = Result::NoMatch;
    std::size_t index = 0;
};

//! Finds the device `wanted` names in `names`: all digits is a device number;
//! otherwise a name equal to it (any letter case), else the only name that
//! contains it (any letter case).
DeviceChoice ChooseDevice(const std::vector<std::string>& names, const std::string& wanted);

//! The text shown when ChooseDevice did not find one device; `kind` is
//! "MIDI out" or "MIDI in".
std::string DeviceChoiceProblem(const DeviceChoice& choice, const std::string& kind, const std::string& wanted,
                                std::size_t deviceCount);

//! The numbered list of `names`, one "N: name" line each.
std::vector<std::string> NumberedDevices(const std::vector<std::string>& names);
