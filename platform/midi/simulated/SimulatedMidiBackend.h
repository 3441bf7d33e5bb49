#pragma once
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "MidiBackend.h"
#include "SimulatedInstrument.h"
#include "SimulatedLink.h"

namespace platform {

//! A MIDI backend with one output and one input device, both leading to an
//! in-process simulated instrument, so the whole program runs and is tested
//! without hardware.
class SimulatedMidiBackend : public MidiBackend {
public:
    //! Name of both devices, chosen so nobody takes them for hardware.
    static constexpr const char* kDeviceName = "Simulated instrument (no hardware)";

    //! A backend whose instrument is built from `config`.
    explicit SimulatedMidiBackend(SimulatedInstrument::Config config = {});

    std::string backendName() const override;
    //! The one device, or none once the instrument has vanished.
    std::vector<std::string> outputNames() override;
    //! The one device, or none once the instrument has vanished.
    std::vector<std::string> inputNames() override;
    //! Opens output 0; kMidiAllocated while it is open already.
    MidiResult openOutput(std::size_t index, std::unique_ptr<MidiOutput>& port) override;
    //! Opens input 0; kMidiAllocated while it is open already.
    MidiResult openInput(std::size_t index, MidiInCallback callback, void* instance,
                         std::unique_ptr<MidiInput>& port) override;

    //! A copy of every message the instrument received, with its arrival time.
    std::vector<RecordedMidiMessage> recordedMessages() const { return m_link->recordedMessages(); }
    //! Forgets the recorded messages.
    void clearRecordedMessages() { m_link->clearRecordedMessages(); }

    //! Runs `f(SimulatedInstrument&)` under the instrument's lock, e.g. to
    //! preload or read its flash or change its faults; returns f's result.
    template <class F>
    auto withInstrument(F&& f)
    {
        return m_link->withInstrument(std::forward<F>(f));
    }

private:
    std::vector<std::string> deviceNames() const;
    MidiResult checkDevice(std::size_t index) const;

    std::shared_ptr<SimulatedLink> m_link;
};

}  // namespace platform
