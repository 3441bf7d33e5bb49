// The backend contract over ALSA raw MIDI in the USB-MIDI rig: the updater's
// side is the USB device the kernel's driver makes of a gadget, the peer
// echoes on the gadget's own raw MIDI port (the instrument's end of the
// cable), and the device goes away when the cable is pulled. Run by
// scripts/usb_rig/tests.sh, which says where everything is:
//   VANTREL_RIG_CARD    card id of the USB device, e.g. Instrument
//   VANTREL_RIG_PEER    the gadget's port, e.g. hw:inst1,0
//   VANTREL_RIG_UNPLUG  command that pulls the cable and returns once the card has gone
//   VANTREL_RIG_PLUG    command that puts it back and returns once both cards are there
#include <alsa/asoundlib.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "AlsaRawMidiBackend.h"
#include "AlsaRawMidiIo.h"
#include "MidiBackendContract.h"
#include "SysExAssembler.h"

using namespace platform;
using contract::Bytes;

namespace {

constexpr std::chrono::seconds kArrivalLimit{10};
// How long the rig's kernel may take to list the USB device after a re-plug.
constexpr std::chrono::seconds kDeviceLimit{30};
constexpr std::chrono::milliseconds kLookInterval{50};
constexpr int kStallTimeoutMs = 2000;

//! The instrument's end of the cable: reads the gadget's raw MIDI port, keeps
//! each complete message and writes it straight back. When the cable is
//! pulled the gadget's port goes too; the peer opens it again once it returns.
class RawMidiEchoPeer {
public:
    explicit RawMidiEchoPeer(std::string device) : m_device(std::move(device)), m_thread([this] { run(); }) {}
    ~RawMidiEchoPeer()
    {
        m_stop = true;
        m_thread.join();
        closePort();
    }

    //! False when the gadget's port did not open in time.
    bool waitUntilOpen()
    {
        std::unique_lock lock(m_mutex);
        return m_arrived.wait_for(lock, kDeviceLimit, [&] { return m_open; });
    }

    std::vector<Bytes> received(std::size_t count)
    {
        std::unique_lock lock(m_mutex);
        m_arrived.wait_for(lock, kArrivalLimit, [&] { return m_received.size() >= count; });
        return m_received;
    }

private:
    void run()
    {
        std::array<std::uint8_t, 256> chunk{};
        const auto echo = [this](const std::uint8_t* message, std::size_t length) { keepAndEcho(message, length); };
        while (!m_stop) {
            if (m_in == nullptr && !openPort()) {
                std::this_thread::sleep_for(kLookInterval);
                continue;
            }
            const int ready = WaitForRawMidi(m_in, static_cast<int>(kLookInterval.count()));
            const ssize_t count = ready > 0 ? snd_rawmidi_read(m_in, chunk.data(), chunk.size()) : ready;
            if (count > 0)
                m_assembler.feed(chunk.data(), static_cast<std::size_t>(count), echo);
            else if (count < 0 && count != -EAGAIN)
                closePort();  // the cable was pulled
        }
    }

    bool openPort()
    {
        if (snd_rawmidi_open(&m_in, &m_out, m_device.c_str(), SND_RAWMIDI_NONBLOCK) < 0) {
            m_in = m_out = nullptr;
            return false;
        }
        SetRawMidiBufferSize(m_in, 16384);  // room for several of the longest messages
        m_assembler.reset();
        {
            std::lock_guard lock(m_mutex);
            m_open = true;
        }
        m_arrived.notify_all();
        return true;
    }

    void closePort()
    {
        if (m_in != nullptr)
            snd_rawmidi_close(m_in);
        if (m_out != nullptr)
            snd_rawmidi_close(m_out);
        m_in = m_out = nullptr;
    }

    void keepAndEcho(const std::uint8_t* message, std::size_t length)
    {
        {
            std::lock_guard lock(m_mutex);
            m_received.emplace_back(message, message + length);
        }
        m_arrived.notify_all();
        WriteWholeMessage(
            message, length, [this](const std::uint8_t* bytes, std::size_t count) {
                return static_cast<long>(snd_rawmidi_write(m_out, bytes, count));
            },
            [this](int timeoutMs) { return WaitForRawMidi(m_out, timeoutMs); }, kStallTimeoutMs);
    }

    std::string m_device;
    snd_rawmidi_t* m_in = nullptr;   // peer thread only
    snd_rawmidi_t* m_out = nullptr;  // peer thread only
    SysExAssembler m_assembler;      // peer thread only
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<Bytes> m_received;
    bool m_open = false;  // the port has been opened once
    std::thread m_thread;  // last: it starts once everything above is there
};

//! The device of `devices` on card `cardId`, if it is listed.
std::optional<MidiDeviceId> OnCard(const std::vector<MidiDeviceId>& devices, const std::string& cardId)
{
    for (const MidiDeviceId& device : devices)
        if (device.identity.rfind(cardId + ",", 0) == 0)
            return device;
    return std::nullopt;
}

bool Run(const std::string& command)
{
    const int status = std::system(command.c_str());
    EXPECT_EQ(status, 0) << command;
    return status == 0;
}

class AlsaRigSubject : public contract::ContractSubject {
public:
    static std::unique_ptr<contract::ContractSubject> Make(std::string& unavailable)
    {
        const char* card = std::getenv("VANTREL_RIG_CARD");
        const char* peer = std::getenv("VANTREL_RIG_PEER");
        const char* unplug = std::getenv("VANTREL_RIG_UNPLUG");
        const char* plug = std::getenv("VANTREL_RIG_PLUG");
        if (!card || !peer || !unplug || !plug) {
            unavailable = "not in the USB-MIDI rig";
            ADD_FAILURE() << "scripts/usb_rig/tests.sh runs this test; VANTREL_RIG_* are not set";
            return nullptr;
        }
        std::unique_ptr<AlsaRigSubject> subject(new AlsaRigSubject(card, peer, unplug, plug));
        if (!subject->findDevices() || !subject->m_peer.waitUntilOpen()) {
            unavailable = "no USB device on card " + subject->m_card + " or no gadget port " + peer;
            ADD_FAILURE() << unavailable;
            return nullptr;
        }
        return subject;
    }

    ~AlsaRigSubject() override
    {
        if (m_removed)
            Run(m_plug);  // the next case finds the cable in again
    }

    std::shared_ptr<MidiBackend> backend() override { return m_backend; }
    MidiDeviceId output() override { return m_output; }
    MidiDeviceId input() override { return m_input; }

    Exchange exchange() override { return contract::EchoedExchange(); }

    std::vector<Bytes> receivedByPeer(std::size_t count) override { return m_peer.received(count); }

    void removeDevice() override { m_removed = Run(m_unplug); }
    int goneStatus() const override { return kMidiNoDevice; }

private:
    AlsaRigSubject(std::string card, std::string peer, std::string unplug, std::string plug)
        : m_card(std::move(card)), m_unplug(std::move(unplug)), m_plug(std::move(plug)), m_peer(std::move(peer))
    {
    }

    //! Waits until the USB device is listed both ways and keeps its identities.
    bool findDevices()
    {
        const auto deadline = std::chrono::steady_clock::now() + kDeviceLimit;
        for (;;) {
            const auto output = OnCard(m_backend->outputDevices(), m_card);
            const auto input = OnCard(m_backend->inputDevices(), m_card);
            if (output && input) {
                m_output = *output;
                m_input = *input;
                return true;
            }
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(kLookInterval);
        }
    }

    std::string m_card;
    std::string m_unplug;
    std::string m_plug;
    RawMidiEchoPeer m_peer;
    std::shared_ptr<AlsaRawMidiBackend> m_backend = std::make_shared<AlsaRawMidiBackend>();
    MidiDeviceId m_output;
    MidiDeviceId m_input;
    bool m_removed = false;
};

}  // namespace

using contract::MidiBackendContract;

INSTANTIATE_TEST_SUITE_P(AlsaRawMidi, MidiBackendContract,
                         ::testing::Values(contract::ContractBackend{"AlsaRawMidi", &AlsaRigSubject::Make}),
                         contract::ContractBackendName);
