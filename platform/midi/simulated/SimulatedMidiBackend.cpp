#include "SimulatedMidiBackend.h"

#include "SimulatedMidiInput.h"
#include "SimulatedMidiOutput.h"

namespace platform {

SimulatedMidiBackend::SimulatedMidiBackend(SimulatedInstrument::Config config)
    : m_link(std::make_shared<SimulatedLink>(std::move(config)))
{
}

std::string SimulatedMidiBackend::backendName() const { return "simulated"; }

std::vector<std::string> SimulatedMidiBackend::outputNames() { return deviceNames(); }

std::vector<std::string> SimulatedMidiBackend::inputNames() { return deviceNames(); }

MidiResult SimulatedMidiBackend::openOutput(std::size_t index, std::unique_ptr<MidiOutput>& port)
{
    if (MidiResult checked = checkDevice(index); !checked.ok())
        return checked;
    if (MidiResult claimed = m_link->claimOutput(); !claimed.ok())
        return claimed;
    port = std::make_unique<SimulatedMidiOutput>(m_link);
    return MidiResult::success();
}

MidiResult SimulatedMidiBackend::openInput(std::size_t index, MidiInCallback callback, void* instance,
                                           std::unique_ptr<MidiInput>& port)
{
    if (callback == nullptr)
        return MidiResult::failure(kMidiInvalidParam);
    if (MidiResult checked = checkDevice(index); !checked.ok())
        return checked;
    auto input = std::make_unique<SimulatedMidiInput>(callback, instance, m_link);
    if (MidiResult claimed = m_link->claimInput(input.get()); !claimed.ok())
        return claimed;
    port = std::move(input);
    return MidiResult::success();
}

std::vector<std::string> SimulatedMidiBackend::deviceNames() const
{
    if (!m_link->isPresent())
        return {};
    return {kDeviceName};
}

MidiResult SimulatedMidiBackend::checkDevice(std::size_t index) const
{
    if (index != 0)
        return MidiResult::failure(kMidiBadDevice);
    return MidiResult::success();
}

}  // namespace platform
