#include "HeadlessUpdater.h"

#include <unistd.h>
#include <utility>

#include "CMidiPort.h"
#include "DeviceChoice.h"
#include "ExitCode.h"
#include "FileHelpers.h"
#include "FirmwareUpdate.h"
#include "FlashImageFile.h"
#include "MidiBackends.h"
#include "MidiSystem.h"
#include "ModulePath.h"
#include "ProductFiles.h"
#include "SimulatedMidiBackend.h"
#include "UserMessage.h"

namespace {

constexpr const char* kNoProducts = "Device config list is empty, please setup the softeware again";
constexpr const char* kNoProductChosen = "Please set the device type info";
constexpr const char* kNoDataPath = "Please select the data file path";
constexpr const char* kSuccess = "Update successful !";
constexpr const char* kLoadFailed = "Fail to load the simulated flash\n";
constexpr const char* kSaveFailed = "Fail to save the simulated flash\n";

bool isTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

std::string configDirectory()
{
    std::string directory;
    return GetExeDirectory(directory) + "config" + platform::PathSeparator();
}

}  // namespace

HeadlessUpdater::HeadlessUpdater(HeadlessOptions options, std::FILE* out, std::FILE* err)
    : m_options(std::move(options)), m_out(out), m_err(err), m_progress(err, isTerminal(err))
{
    platform::SetMessageHandler([this](const std::string& text, const std::string& caption) {
        m_progress.BreakLine();
        std::fprintf(m_err, "%s: %s\n", caption.c_str(), text.c_str());
        std::fflush(m_err);
    });
}

HeadlessUpdater::~HeadlessUpdater()
{
    platform::SetMessageHandler({});
    platform::MidiSystem::instance().clearBackends();
}

int HeadlessUpdater::Run()
{
    if (!RegisterBackends())
        return kExitSelection;
    if (m_options.list)
        return ListDevices();

    const auto& system = platform::MidiSystem::instance();
    std::string blockPath;
    unsigned outDevice = 0;
    unsigned inDevice = 0;
    if (!ChooseBlockList(blockPath) || !ChooseDevice("MIDI out", system.outputNames(), m_options.outDevice, outDevice) ||
        !ChooseDevice("MIDI in", system.inputNames(), m_options.inDevice, inDevice) || !CheckDataPath())
        return kExitSelection;
    if (!FirmwareUpdate::LoadFlashBlocks(blockPath, m_flashBlocks, m_progress))
        return kExitSelection;
    return Update(outDevice, inDevice);
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
    std::fprintf(m_out, "MIDI out devices:\n%s", NumberedDeviceList(system.outputNames()).c_str());
    std::fprintf(m_out, "MIDI in devices:\n%s", NumberedDeviceList(system.inputNames()).c_str());
    return kExitSuccess;
}

bool HeadlessUpdater::ChooseBlockList(std::string& path) const
{
    if (m_options.blocksFile) {
        path = *m_options.blocksFile;
        return true;
    }
    const std::string directory = configDirectory();
    const std::vector<std::string> files = ProductFileNames(directory);
    if (files.empty()) {
        platform::ShowMessage(kNoProducts);
        return false;
    }
    if (!m_options.product) {
        platform::ShowMessage(kNoProductChosen);
        std::fprintf(m_err, "Products:\n");
        for (const auto& file : files)
            std::fprintf(m_err, "  %s\n", ProductNameOf(file).c_str());
        return false;
    }
    // A name that is not in the list still names a file; loading it says what is wrong.
    const auto file = FindProductFile(files, *m_options.product);
    path = directory + (file ? *file : *m_options.product + ".cfg");
    return true;
}

bool HeadlessUpdater::ChooseDevice(const char* kind, const std::vector<std::string>& names,
                                   const std::optional<std::string>& wanted, unsigned& device) const
{
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
            device = static_cast<unsigned>(choice.index);
            return true;
        }
        platform::ShowMessage(DeviceChoiceProblem(choice, kind, *wanted, names.size()));
    }
    std::fprintf(m_err, "%s devices:\n%s", kind, NumberedDeviceList(names).c_str());
    return false;
}

bool HeadlessUpdater::CheckDataPath() const
{
    if (m_options.dataPath && !m_options.dataPath->empty())
        return true;
    platform::ShowMessage(kNoDataPath);
    return false;
}

int HeadlessUpdater::Update(unsigned outDevice, unsigned inDevice)
{
    CMidiPort port;
    try {
        port.OpenPorts(outDevice, inDevice);
    } catch (const CMidiError& error) {
        platform::ShowMessage(error.what());
        SaveSimulatedFlash();
        return kExitPorts;
    }

    FirmwareUpdate::Failure failure = FirmwareUpdate::Failure::None;
    bool ok = FirmwareUpdate::WriteImage(port, *m_options.dataPath, m_flashBlocks, m_progress, failure);
    if (ok && m_options.verify)
        ok = FirmwareUpdate::VerifyImage(port, *m_options.dataPath, m_flashBlocks, m_progress, failure);
    m_progress.BreakLine();

    try {
        port.ClosePorts();
    } catch (const CMidiError& error) {
        platform::ShowMessage(error.what());
    }
    const bool saved = SaveSimulatedFlash();
    if (!ok)
        return failure == FirmwareUpdate::Failure::DataFile ? kExitSelection : kExitTransfer;
    platform::ShowMessage(kSuccess);
    return saved ? kExitSuccess : kExitInternal;
}

bool HeadlessUpdater::SaveSimulatedFlash() const
{
    if (!m_simulator || !m_options.simulatorSavePath)
        return true;
    const auto flash = m_simulator->withInstrument([](platform::SimulatedInstrument& i) { return i.flash(); });
    std::string why;
    if (SaveFlashImage(*m_options.simulatorSavePath, flash, why))
        return true;
    platform::ShowMessage(kSaveFailed + *m_options.simulatorSavePath);
    return false;
}
