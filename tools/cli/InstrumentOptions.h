#pragma once
#include <string>
#include <vector>

#include "CommandLine.h"
#include "SimulatedInstrument.h"

//! The simulated instrument's shape and faults as command-line options,
//! defined once for every tool that runs one: the same names after a
//! tool's prefix ("--" or "--sim-"), the same values, the same checks.
class InstrumentOptions {
public:
    //! Adds the options, named `prefix` + "flash-words" and so on, to `app`:
    //! the shape under `shapeGroup`, the faults under `faultGroup`.
    void Add(CLI::App& app, const std::string& prefix, const std::string& shapeGroup, const std::string& faultGroup);

    //! Completes the settings once parsed: a flash without a sector map of
    //! its own gets the default map for its size. False with `error` set
    //! when the sector map does not fit the flash.
    bool Finish(std::string& error);

    //! Every option Add created, e.g. to make them all need another option.
    const std::vector<CLI::Option*>& options() const { return m_options; }

    //! The settings read so far.
    platform::SimulatedInstrument::Config config;

private:
    void AddShape(CLI::App& app, const std::string& prefix, const std::string& group);
    void AddFaults(CLI::App& app, const std::string& prefix, const std::string& group);
    CLI::Option* Number(CLI::App& app, const std::string& name, std::uint64_t lowest, std::uint64_t highest,
                        std::function<void(std::uint64_t)> store, const std::string& description);
    CLI::Option* Flag(CLI::App& app, const std::string& name, bool& target, const std::string& description);

    std::string m_sectorsOption;
    bool m_sectorsGiven = false;
    std::vector<CLI::Option*> m_options;
};
