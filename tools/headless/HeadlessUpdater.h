#pragma once
#include <cstdint>
#include <cstdio>
#include <list>
#include <memory>
#include <string>

#include "HeadlessOptions.h"
#include "TerminalProgress.h"

namespace platform {
class SimulatedMidiBackend;
}

//! One run of vantrel-update: the window's checks in the window's order, the
//! block list, the port pair, and the very same write and read-back steps,
//! with every message printed through the message handler.
class HeadlessUpdater {
public:
    //! Lists go to `out`; messages and progress to `err`, a bar when `err` is a terminal.
    HeadlessUpdater(HeadlessOptions options, std::FILE* out, std::FILE* err);
    ~HeadlessUpdater();
    HeadlessUpdater(const HeadlessUpdater&) = delete;
    HeadlessUpdater& operator=(const HeadlessUpdater&) = delete;

    //! Does what the options ask for and returns the exit code (see ExitCode.h).
    int Run();

private:
    bool RegisterBackends();
    bool LoadSimulatedFlash() const;
    int ListDevices() const;
    bool ChooseBlockList(std::string& path) const;
    bool ChooseDevice(const char* kind, const std::vector<std::string>& names,
                      const std::optional<std::string>& wanted, unsigned& device) const;
    bool CheckDataPath() const;
    int Update(unsigned outDevice, unsigned inDevice);
    bool SaveSimulatedFlash() const;

    HeadlessOptions m_options;
    std::FILE* m_out;
    std::FILE* m_err;
    TerminalProgress m_progress;
    std::shared_ptr<platform::SimulatedMidiBackend> m_simulator;
    std::list<std::uint32_t> m_flashBlocks;
};
