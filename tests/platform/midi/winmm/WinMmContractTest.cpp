// The backend contract over WinMM, run under Wine in the USB-MIDI rig: the
// updater's side is the USB device as WinMM lists it, and the peer echoes on
// the gadget's own port (the instrument's end of the cable), which WinMM
// lists too. Run by scripts/usb_rig/tests.sh wine, which names the devices:
//   VANTREL_RIG_DEVICE  the USB device's WinMM name, e.g. "USB MIDI Instrument MIDI 1"
//   VANTREL_RIG_PEER    the gadget port's WinMM name, e.g. "f_midi - f_midi"
// Wine's WinMM cannot show two of the cases; the subject says why.
#include <windows.h>

#include <mmsystem.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "MidiBackendContract.h"
#include "WinMmMidiBackend.h"

using namespace platform;
using contract::Bytes;

namespace {

constexpr std::chrono::seconds kArrivalLimit{10};
constexpr std::chrono::milliseconds kLookInterval{50};

std::optional<MidiDeviceId> Named(const std::vector<MidiDeviceId>& devices, const std::string& name)
{
    for (const MidiDeviceId& device : devices)
        if (device.name == name)
            return device;
    return std::nullopt;
}

//! The instrument's end of the cable, through WinMM as well: keeps each
//! message that comes in and sends it straight back from a thread of its own
//! (a WinMM callback must not send).
class WinMmEchoPeer {
public:
    MidiResult open(WinMmMidiBackend& backend, const std::string& name)
    {
        const auto out = Named(backend.outputDevices(), name);
        const auto in = Named(backend.inputDevices(), name);
        if (!out || !in)
            return MidiResult::failure(kMidiNoDevice, "no WinMM device \"" + name + "\"");
        MidiResult opened = backend.openOutputDevice(out->identity, m_output);
        if (opened.ok())
            opened = backend.openInputDevice(in->identity, &MidiMessageCollector::callback, &m_received, m_input);
        if (!opened.ok())
            return opened;
        m_received.attach(*m_input);
        m_thread = std::thread([this] { echo(); });
        return {};
    }

    ~WinMmEchoPeer()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_input)
            m_received.detach(*m_input);
        if (m_output)
            while (m_output->close().code == kMidiStillPlaying)
                m_output->waitSent(kLookInterval);
    }

    std::vector<Bytes> received(std::size_t count)
    {
        m_received.waitFor(count, kArrivalLimit);
        return m_received.messages();
    }

private:
    void echo()
    {
        std::size_t echoed = 0;
        while (!m_stop) {
            if (!m_received.waitFor(echoed + 1, kLookInterval))
                continue;
            Bytes message = m_received.messages().at(echoed++);
            m_output->sendSysEx(message.data(), message.size());
        }
    }

    std::unique_ptr<MidiOutput> m_output;
    std::unique_ptr<MidiInput> m_input;
    MidiMessageCollector m_received;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

class WinMmRigSubject : public contract::ContractSubject {
public:
    static std::unique_ptr<contract::ContractSubject> Make(std::string& unavailable)
    {
        const char* device = std::getenv("VANTREL_RIG_DEVICE");
        const char* peer = std::getenv("VANTREL_RIG_PEER");
        if (!device || !peer) {
            unavailable = "not in the USB-MIDI rig";
            ADD_FAILURE() << "scripts/usb_rig/tests.sh wine runs this test; VANTREL_RIG_* are not set";
            return nullptr;
        }
        std::unique_ptr<WinMmRigSubject> subject(new WinMmRigSubject);
        const auto output = Named(subject->m_backend->outputDevices(), device);
        const auto input = Named(subject->m_backend->inputDevices(), device);
        const MidiResult peerOpened = subject->m_peer.open(*subject->m_backend, peer);
        if (!output || !input || !peerOpened.ok()) {
            unavailable = std::string("WinMM lists no \"") + device + "\" both ways, or the peer would not open: " +
                          MidiSystem::errorText(peerOpened);
            ADD_FAILURE() << unavailable;
            return nullptr;
        }
        subject->m_output = *output;
        subject->m_input = *input;
        return subject;
    }

    std::shared_ptr<MidiBackend> backend() override { return m_backend; }
    MidiDeviceId output() override { return m_output; }
    MidiDeviceId input() override { return m_input; }

    Exchange exchange() override { return contract::EchoedExchange(); }

    std::vector<Bytes> receivedByPeer(std::size_t count) override { return m_peer.received(count); }

    //! The cable stays in: Wine would not tell (see cannotShow).
    void removeDevice() override {}
    int goneStatus() const override { return MMSYSERR_NODRIVER; }

    std::string cannotShow(Limit limit) const override
    {
        // Both measured in the rig with Wine 8.
        if (limit == Limit::SendsInFlight)
            return "Wine's midiOutLongMsg hands the whole message to the ALSA sequencer and marks it done "
                   "before it returns";
        return "Wine's WinMM lists the devices once per process, a send to a device that has gone succeeds "
               "without a word, and opening it fails as if it were in use";
    }

private:
    WinMmRigSubject() = default;

    std::shared_ptr<WinMmMidiBackend> m_backend = std::make_shared<WinMmMidiBackend>();
    WinMmEchoPeer m_peer;
    MidiDeviceId m_output;
    MidiDeviceId m_input;
};

}  // namespace

using contract::MidiBackendContract;

INSTANTIATE_TEST_SUITE_P(WinMm, MidiBackendContract,
                         ::testing::Values(contract::ContractBackend{"WinMm", &WinMmRigSubject::Make}),
                         contract::ContractBackendName);
