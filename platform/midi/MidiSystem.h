#pragma once
#include <memory>
#include <string>
#include <vector>

#include "MidiBackend.h"

namespace platform {

//! The program's MIDI service: one numbered list of output devices and one of
//! input devices across all registered backends, in registration order
//! (hardware first, then JACK, then the simulated instrument when asked for).
//! Device numbers are positions in these lists, read anew on every call.
//! Used from the user-interface thread only.
class MidiSystem {
public:
    //! The process-wide instance.
    static MidiSystem& instance();

    void addBackend(std::shared_ptr<MidiBackend> backend);
    void removeBackend(const std::shared_ptr<MidiBackend>& backend);
    void clearBackends();
    const std::vector<std::shared_ptr<MidiBackend>>& backends() const { return m_backends; }

    //! Output device names in device-number order.
    std::vector<std::string> outputNames() const;
    //! Input device names in device-number order.
    std::vector<std::string> inputNames() const;

    //! Output devices with their identities, in device-number order.
    std::vector<MidiDeviceId> outputDevices() const;
    //! Input devices with their identities, in device-number order.
    std::vector<MidiDeviceId> inputDevices() const;

    MidiResult openOutput(unsigned device, std::unique_ptr<MidiOutput>& port) const;
    MidiResult openInput(unsigned device, MidiInCallback callback, void* instance,
                         std::unique_ptr<MidiInput>& port) const;

    //! Opens exactly `device`, wherever it stands in the list now. A device
    //! that is no longer there fails with kMidiNoDevice and a text naming it.
    MidiResult openOutput(const MidiDeviceId& device, std::unique_ptr<MidiOutput>& port) const;
    MidiResult openInput(const MidiDeviceId& device, MidiInCallback callback, void* instance,
                         std::unique_ptr<MidiInput>& port) const;

    //! The service's text for a status code, as shown to the user.
    static std::string errorText(int code);
    //! The text for a failed call: the backend's detail when it gave one,
    //! otherwise the text for its code.
    static std::string errorText(const MidiResult& result);

private:
    MidiBackend* backendNamed(const std::string& name) const;

    std::vector<std::shared_ptr<MidiBackend>> m_backends;
};

}  // namespace platform
