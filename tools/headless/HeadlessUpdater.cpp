#include "HeadlessUpdater.h"

#include <cinttypes>
#include <utility>

#include "CFile.h"
#include "CMidiPort.h"
#include "Console.h"
#include "DeviceChoice.h"
#include "ExitCode.h"
#include "FileHelpers.h"
#include "FirmwareUpdate.h"
#include "FlashImageFile.h"
#include "FlashReadOut.h"
#include "ImageFileWriter.h"
#include "JsonProgress.h"
#include "MidiBackends.h"
#include "MidiSystem.h"
#include "PreciseTimer.h"
#include "ProductCatalogue.h"
#include "SimulatedMidiBackend.h"
#include "SleepInhibitor.h"
#include "TerminalProgress.h"
#include "UserMessage.h"

namespace {

using Mode = HeadlessOptions::Mode;

constexpr const char* kNoDevicesFound = "No MIDI devices were found. Check that";
constexpr const char* kNoProducts = "Device config list is empty, please setup the softeware again";
constexpr const char* kNoProductChosen = "Please set the device type info";
constexpr const char* kNoDataPath = "Please select the data file path";
constexpr const char* kSuccess = "Update successful !";
constexpr const char* kLoadFailed = "Fail to load the simulated flash\n";
constexpr const char* kSaveFailed = "Fail to save the simulated flash\n";
constexpr const char* kWriteFailed = "Fail to write the file\n";
constexpr const char* kBackingUp = "Backing up...";
constexpr const char* kReading = "Reading...";
constexpr const char* kReadingReason = "Vantrel is reading the flash of the instrument";

std::string hexWord(std::uint64_t address)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%08" PRIX64, address);
    return text;
}

std::unique_ptr<RunReport> newReport(bool json, std::FILE* out, std::FILE* err)
{
    if (json)
        return std::make_unique<JsonProgress>(out);
    return std::make_unique<TerminalProgress>(err, platform::PrepareTerminal(err), RunReport::SteadySeconds, out);
}

// Every mode that opens the ports keeps the computer awake: between the
// opening commands and the end command the instrument runs its updater, and
// a long read cut off by a suspend is lost as well.
const char* stayAwakeReason(Mode mode)
{
    return mode == Mode::Update ? FirmwareUpdate::kStayAwakeReason : kReadingReason;
}

std::string modeName(Mode mode)
{
    switch (mode) {
    case Mode::List: return "list";
    case Mode::VerifyOnly: return "verify-only";
    case Mode::Read: return "read";
    case Mode::Probe: return "probe";
    case Mode::Update: break;
    }
    return "update";
}

}  // namespace

HeadlessUpdater::HeadlessUpdater(HeadlessOptions options, std::FILE* out, std::FILE* err)
    : m_options(std::move(options)), m_report(newReport(m_options.json, out, err))
{
    m_result.mode = modeName(m_options.mode());
    platform::SetMessageHandler(
        [this](const std::string& text, const std::string& caption) { m_report->Message(caption, text); });
}

HeadlessUpdater::~HeadlessUpdater()
{
    platform::SetMessageHandler({});
    platform::MidiSystem::instance().clearBackends();
}

int HeadlessUpdater::Run()
{
    m_result.exitCode = RunMode();
    m_report->Result(m_result);
    return m_result.exitCode;
}

int HeadlessUpdater::RunMode()
{
    if (!RegisterBackends())
        return kExitSelection;
    const Mode mode = m_options.mode();
    if (mode == Mode::List)
        return ListDevices();

    const auto& system = platform::MidiSystem::instance();
    const bool needsImage = mode != Mode::Read && mode != Mode::Probe;
    std::string blockPath;
    // From here on the devices are named by what they are, not by where they stand in the lists.
    platform::MidiDeviceId outDevice;
    platform::MidiDeviceId inDevice;
    if ((needsImage && !ChooseBlockList(blockPath)) ||
        !ChooseDevice("MIDI out", system.outputDevices(), m_options.outDevice, outDevice) ||
        !ChooseDevice("MIDI in", system.inputDevices(), m_options.inDevice, inDevice) ||
        (needsImage && !CheckDataPath()))
        return kExitSelection;
    if (needsImage && !FirmwareUpdate::LoadFlashBlocks(blockPath, m_flashBlocks, *m_report))
        return kExitSelection;
    if (needsImage)
        m_dataStamp = FileStamp::Of(*m_options.dataPath);
    return RunWithPorts(outDevice, inDevice);
}

bool HeadlessUpdater::RegisterBackends()
{
    auto& system = platform::MidiSystem::instance();
    platform::RegisterSystemMidiBackends(system);
    if (!m_options.simulated)
        return true;
    m_simulator = std::make_shared<platform::SimulatedMidiBackend>(m_options.simulator);
    system.addBackend(m_simulator);
    return LoadSimulatedFlash();
}

bool HeadlessUpdater::LoadSimulatedFlash() const
{
    if (!m_options.simulatorLoadPath)
        return true;
    std::vector<std::uint16_t> words;
    std::string why;
    if (!LoadFlashImage(*m_options.simulatorLoadPath, words, why)) {
        platform::ShowMessage(kLoadFailed + *m_options.simulatorLoadPath);
        return false;
    }
    m_simulator->withInstrument([&](platform::SimulatedInstrument& i) { i.preload(0, words); });
    return true;
}

int HeadlessUpdater::ListDevices() const
{
    const auto& system = platform::MidiSystem::instance();
    const std::vector<std::string> outputs = system.outputNames();
    const std::vector<std::string> inputs = system.inputNames();
    m_report->List("MIDI out devices", NumberedDevices(outputs), true);
    m_report->List("MIDI in devices", NumberedDevices(inputs), true);
    if (outputs.empty() || inputs.empty())
        m_report->List(kNoDevicesFound, platform::NoDevicesAdvice(), true);
    return kExitSuccess;
}

bool HeadlessUpdater::ChooseBlockList(std::string& path) const
{
    if (m_options.blocksFile) {
        path = *m_options.blocksFile;
        return true;
    }
    const ProductCatalogue catalogue(ProductCatalogue::ConfigDirectory());
    if (catalogue.products().empty()) {
        platform::ShowMessage(kNoProducts);
        return false;
    }
    if (!m_options.product) {
        platform::ShowMessage(kNoProductChosen);
        m_report->List("Products", catalogue.Names(), false);
        return false;
    }
    // A name that is not in the list still names a file; loading it says what is wrong.
    path = catalogue.BlockListPath(*m_options.product);
    return true;
}

bool HeadlessUpdater::ChooseDevice(const char* kind, const std::vector<platform::MidiDeviceId>& devices,
                                   const std::optional<std::string>& wanted, platform::MidiDeviceId& device) const
{
    const std::vector<std::string> names = platform::DeviceNames(devices);
    if (names.empty()) {
        platform::ShowMessage(std::string(kind) + " device list is empty");
        return false;
    }
    DeviceChoice choice;
    if (!wanted) {
        platform::ShowMessage(std::string("Please select a ") + kind + " device");
    } else {
        choice = ::ChooseDevice(names, *wanted);
        if (choice.result == DeviceChoice::Result::Found) {
            device = devices[choice.index];
            return true;
        }
        platform::ShowMessage(DeviceChoiceProblem(choice, kind, *wanted, names.size()));
    }
    m_report->List(std::string(kind) + " devices", NumberedDevices(names), false);
    return false;
}

bool HeadlessUpdater::CheckDataPath() const
{
    if (m_options.dataPath && !m_options.dataPath->empty())
        return true;
    platform::ShowMessage(kNoDataPath);
    return false;
}

int HeadlessUpdater::RunWithPorts(const platform::MidiDeviceId& outDevice, const platform::MidiDeviceId& inDevice)
{
    const platform::PreciseTimer preciseWaits;
    // Held from before the opening commands until after the end command, on every way out of the run.
    const platform::SleepInhibitor awake(platform::ApplicationName(), stayAwakeReason(m_options.mode()));
    m_report->Inhibitor(awake);
    CMidiPort port;
    try {
        port.OpenPorts(outDevice, inDevice);
    } catch (const CMidiError& error) {
        platform::ShowMessage(error.what());
        ReportSimulator();
        return kExitPorts;
    }

    int code = kExitInternal;
    int signal = 0;
    m_signals.Arm();
    try {
        if (StopSignals::Received() != 0)
            throw RunInterrupted{StopSignals::Received()};
        code = RunOnPorts(port);
    } catch (const RunInterrupted& stop) {
        signal = stop.signal;
    }
    // From here on nothing may stop the end command and the closing.
    m_signals.Disarm();

    try {
        port.ClosePorts();
    } catch (const CMidiError& error) {
        platform::ShowMessage(error.what());
    }
    m_signals.RunEnded();
    const bool saved = ReportSimulator();
    if (signal != 0) {
        platform::ShowMessage(InterruptedText());
        m_result.interruptedBy = StopSignals::Name(signal);
        return StopSignals::ExitCode(signal);
    }
    if (code != kExitSuccess)
        return code;
    platform::ShowMessage(m_successText);
    return saved ? kExitSuccess : kExitInternal;
}

int HeadlessUpdater::RunOnPorts(CMidiPort& port)
{
    switch (m_options.mode()) {
    case Mode::VerifyOnly: return VerifyOnly(port);
    case Mode::Read: return ReadOut(port);
    case Mode::Probe: return Probe(port);
    case Mode::List:
    case Mode::Update: break;
    }
    return Update(port);
}

int HeadlessUpdater::Probe(CMidiPort& port)
{
    try {
        char word[8];
        std::snprintf(word, sizeof word, "0x%04X", port.ReadWord(0));
        m_successText = std::string("The instrument answers (word 0 reads ") + word + ")";
    } catch (const CMidiError& error) {
        platform::ShowMessage(std::string(error.what()) + "\nThe instrument does not answer");
        return kExitTransfer;
    }
    return kExitSuccess;
}

int HeadlessUpdater::Update(CMidiPort& port)
{
    int code = kExitSuccess;
    if (m_options.backupPath && !Backup(port, code))
        return code;  // nothing erased
    const std::string& data = *m_options.dataPath;
    FirmwareUpdate::Failure failure = FirmwareUpdate::Failure::None;
    m_phase = Phase::Writing;
    bool ok = FirmwareUpdate::WriteImage(port, data, m_flashBlocks, *m_report, failure);
    if (ok && m_options.verify && DataFileUnchanged()) {
        m_phase = Phase::Verifying;
        ok = FirmwareUpdate::VerifyImage(port, data, m_flashBlocks, *m_report, failure);
    }
    if (ChangedUnderTheRun(ok, failure))
        return kExitSelection;
    if (!ok)
        return failure == FirmwareUpdate::Failure::DataFile ? kExitSelection : kExitTransfer;
    m_successText = kSuccess;
    return kExitSuccess;
}

int HeadlessUpdater::VerifyOnly(CMidiPort& port)
{
    const std::string& data = *m_options.dataPath;
    FirmwareUpdate::Failure failure = FirmwareUpdate::Failure::None;
    std::uint32_t firstDifference = 0;
    const bool ok = FirmwareUpdate::VerifyImage(port, data, m_flashBlocks, *m_report, failure, &firstDifference);
    if (ChangedUnderTheRun(ok, failure))
        return kExitSelection;
    if (failure == FirmwareUpdate::Failure::Verify) {
        m_result.firstDifference = firstDifference;
        platform::ShowMessage("The first word that differs is at " + hexWord(firstDifference));
    }
    if (!ok)
        return failure == FirmwareUpdate::Failure::DataFile ? kExitSelection : kExitTransfer;
    m_successText = "The flash holds the image";
    return kExitSuccess;
}

int HeadlessUpdater::ReadOut(CMidiPort& port)
{
    int code = kExitSuccess;
    const std::uint64_t words = m_options.readWords;
    if (!SaveFlash(port, *m_options.readPath, m_options.readFrom, words, kReading, code))
        return code;
    m_successText = "Words " + hexWord(m_options.readFrom) + " to " + hexWord(m_options.readFrom + words - 1) +
                    " saved in " + *m_options.readPath;
    return kExitSuccess;
}

bool HeadlessUpdater::Backup(CMidiPort& port, int& exitCode)
{
    // Through the file layer, which reaches every path the write step reaches (past MAX_PATH on Windows).
    CFile image;
    if (!image.Open(m_options.dataPath->c_str(), CFile::modeRead | CFile::typeBinary))
        return true;  // the write step reports the data file before anything is erased
    const std::uint64_t bytes = image.GetLength();
    image.Close();
    const auto span = FlashReadOut::BackupSpanFor(m_flashBlocks, FirmwareUpdate::ImageWords(bytes));
    if (!span.blockEndKnown)
        platform::ShowMessage("The block list does not tell where the block at " + hexWord(span.lastBlock) +
                              " ends: the backup reaches the end of the image only");
    const std::string& path = *m_options.backupPath;
    if (!SaveFlash(port, path, 0, span.words, kBackingUp, exitCode))
        return false;
    platform::ShowMessage(span.words == 0 ? "Nothing to back up: the image is empty"
                                          : "Backup of words " + hexWord(0) + " to " + hexWord(span.words - 1) +
                                                " saved in " + path);
    return true;
}

bool HeadlessUpdater::SaveFlash(CMidiPort& port, const std::string& path, std::uint32_t from, std::uint64_t words,
                                const std::string& caption, int& exitCode)
{
    ImageFileWriter writer(path);
    if (!writer.Open()) {
        platform::ShowMessage(FileErrorText(CFileException::accessDenied) + path);
        exitCode = kExitSelection;
        return false;
    }
    FirmwareUpdate::Failure failure = FirmwareUpdate::Failure::None;
    const auto sink = [&writer](const std::uint8_t* bytes, std::size_t count) { return writer.Write(bytes, count); };
    const bool read = FlashReadOut::ReadFlash(port, from, words, caption, *m_report, sink, failure);
    if (!read && failure == FirmwareUpdate::Failure::Link) {
        exitCode = kExitTransfer;
        return false;
    }
    if (!read || !writer.Commit()) {
        platform::ShowMessage(kWriteFailed + path);
        exitCode = kExitSelection;
        return false;
    }
    m_report->Saved(path);
    return true;
}

bool HeadlessUpdater::DataFileUnchanged() const { return m_dataStamp.StillMatches(*m_options.dataPath); }

bool HeadlessUpdater::ChangedUnderTheRun(bool ok, FirmwareUpdate::Failure failure) const
{
    // A file replaced whole (a new file renamed onto the path) leaves the one
    // already open intact, but what was written and what is compared then
    // come from different files: the same read error as a file cut short.
    if ((!ok && failure != FirmwareUpdate::Failure::Verify) || DataFileUnchanged())
        return false;
    platform::ShowMessage(FirmwareUpdate::kDataReadErrorText + *m_options.dataPath);
    return true;
}

std::string HeadlessUpdater::InterruptedText() const
{
    switch (m_phase) {
    case Phase::Writing:
        return "Interrupted: the instrument now holds incomplete firmware. Run the update again to finish it.";
    case Phase::Verifying:
        return "Interrupted during the read-back: the firmware was written but not verified. Run the update again "
               "to be sure of it.";
    case Phase::Before: break;
    }
    return "Interrupted: nothing was erased or written.";
}

bool HeadlessUpdater::ReportSimulator() const
{
    if (!m_simulator)
        return true;
    m_report->Instrument(
        m_simulator->withInstrument([](platform::SimulatedInstrument& i) { return i.statistics(); }));
    if (!m_options.simulatorSavePath)
        return true;
    // Saved in place: the ports are closed, nothing else touches the flash now.
    std::string why;
    if (m_simulator->withInstrument(
            [&](platform::SimulatedInstrument& i) { return SaveFlashImage(*m_options.simulatorSavePath, i.flash(), why); }))
        return true;
    platform::ShowMessage(kSaveFailed + *m_options.simulatorSavePath);
    return false;
}
