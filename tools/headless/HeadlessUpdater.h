#pragma once
#include <cstdint>
#include <cstdio>
#include <list>
#include <memory>
#include <string>

#include "FileStamp.h"
#include "FirmwareUpdate.h"
#include "HeadlessOptions.h"
#include "MidiDeviceId.h"
#include "RunReport.h"
#include "StopSignals.h"

class CMidiPort;

namespace platform {
class SimulatedMidiBackend;
}

//! One run of vantrel-update: the window's checks in the window's order, the
//! block list, the port pair, and the very same write and read-back steps,
//! with every message printed through the message handler. Besides the
//! update it keeps a backup first, compares only, or reads flash out.
class HeadlessUpdater {
public:
    //! Answers and (with --json) everything go to `out`; messages and
    //! progress to `err`, a bar when `err` is a terminal.
    HeadlessUpdater(HeadlessOptions options, std::FILE* out, std::FILE* err);
    ~HeadlessUpdater();
    HeadlessUpdater(const HeadlessUpdater&) = delete;
    HeadlessUpdater& operator=(const HeadlessUpdater&) = delete;

    //! Does what the options ask for and returns the exit code (see ExitCode.h).
    int Run();

private:
    //! How far an update got, for the words said when it is interrupted.
    enum class Phase { Before, Writing, Verifying };

    int RunMode();
    bool RegisterBackends();
    bool LoadSimulatedFlash() const;
    int ListDevices() const;
    bool ChooseBlockList(std::string& path) const;
    bool ChooseDevice(const char* kind, const std::vector<platform::MidiDeviceId>& devices,
                      const std::optional<std::string>& wanted, platform::MidiDeviceId& device) const;
    bool CheckDataPath() const;
    int RunWithPorts(const platform::MidiDeviceId& outDevice, const platform::MidiDeviceId& inDevice);
    int RunOnPorts(CMidiPort& port);
    int Update(CMidiPort& port);
    int VerifyOnly(CMidiPort& port);
    int ReadOut(CMidiPort& port);
    int Probe(CMidiPort& port);
    bool Backup(CMidiPort& port, int& exitCode);
    bool SaveFlash(CMidiPort& port, const std::string& path, std::uint32_t from, std::uint64_t words,
                   const std::string& caption, int& exitCode);
    bool DataFileUnchanged() const;
    //! True, with the read error shown, when the data file is no longer the
    //! one the run began with after a step that `ok` and `failure` describe.
    bool ChangedUnderTheRun(bool ok, FirmwareUpdate::Failure failure) const;
    std::string InterruptedText() const;
    bool ReportSimulator() const;

    HeadlessOptions m_options;
    std::unique_ptr<RunReport> m_report;
    StopSignals m_signals;
    std::shared_ptr<platform::SimulatedMidiBackend> m_simulator;
    std::list<std::uint32_t> m_flashBlocks;
    FileStamp m_dataStamp;
    Phase m_phase = Phase::Before;
    RunResult m_result;
    std::string m_successText;
};
