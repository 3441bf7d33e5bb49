// The backend contract over WinMM as Windows' MIDI stacks behave, one
// instantiation per profile of the model: the WinMM backend, the model behind
// its seam, the simulated instrument at the cable's far end.
#include "MidiBackendContract.h"
#include "WinMmMidiBackend.h"
#include "WinMmModel.h"

using namespace platform;

namespace {

constexpr std::chrono::seconds kArrivalLimit{10};
// A read reply of 1024 words, 4098 bytes: longer than one of the backend's
// buffers, so it arrives in two and is put together again.
constexpr std::size_t kReplyWords = 1024;

class WinMmModelSubject : public contract::ContractSubject {
public:
    explicit WinMmModelSubject(WinMmModel::Profile profile)
        : m_model(std::make_shared<WinMmModel>(profile)),
          m_backend(std::make_shared<WinMmMidiBackend>(m_model)),
          m_profile(profile)
    {
        m_model->setClassicOutputRate(41010);  // a 4101-byte message is on the wire for 100 ms
        m_model->plug("Other MIDI device", {});
        m_device = m_model->plug("USB MIDI Instrument", Config());
        m_model->withInstrument(m_device, [](SimulatedInstrument& sim) { sim.preload(0, Words()); });
        m_output = m_backend->outputDevices().at(1);
        m_input = m_backend->inputDevices().at(1);
    }

    ~WinMmModelSubject() override
    {
        m_model->finish();
        // How close the backend let a long message come to being cut: the
        // longest the model waited in mid-message for a queued buffer, and
        // the longest a buffer stayed with the backend before it was queued again.
        const WinMmModel::Statistics statistics = m_model->statistics();
        ::testing::Test::RecordProperty("worst_buffer_wait_us", std::to_string(statistics.worstBufferWait.count()));
        ::testing::Test::RecordProperty("worst_requeue_us", std::to_string(statistics.worstRequeue.count()));
    }

    std::shared_ptr<MidiBackend> backend() override { return m_backend; }
    MidiDeviceId output() override { return m_output; }
    MidiDeviceId input() override { return m_input; }

    Exchange exchange() override
    {
        // A read of the words from word 0 on.
        return {{0xF0, 0x7E, 0x08, 0x08, 0xF7}, SimulatedInstrument::EncodeReply(Words())};
    }

    std::vector<contract::Bytes> receivedByPeer(std::size_t count) override
    {
        return m_model->received(m_device, count, kArrivalLimit);
    }

    void removeDevice() override { m_model->pull(m_device); }
    int goneStatus() const override { return kMidiNoDevice; }

    std::string cannotShow(Limit limit) const override
    {
        if (limit == Limit::SendsInFlight && m_profile != WinMmModel::Profile::Classic)
            return "Windows MIDI Services sends synchronously: the message is out when midiOutLongMsg returns";
        return {};
    }

private:
    static SimulatedInstrument::Config Config()
    {
        SimulatedInstrument::Config config;
        config.faults.oversizedReplyWords = kReplyWords;
        return config;
    }

    static std::vector<std::uint16_t> Words()
    {
        std::vector<std::uint16_t> words;
        for (std::size_t i = 0; i < kReplyWords; ++i)
            words.push_back(static_cast<std::uint16_t>(0x1111 * i + 7));
        return words;
    }

    std::shared_ptr<WinMmModel> m_model;
    std::shared_ptr<WinMmMidiBackend> m_backend;
    WinMmModel::Profile m_profile;
    std::size_t m_device = 0;
    MidiDeviceId m_output;
    MidiDeviceId m_input;
};

contract::ContractBackend Profile(WinMmModel::Profile profile)
{
    return {WinMmModel::profileName(profile), [profile](std::string&) -> std::unique_ptr<contract::ContractSubject> {
                return std::make_unique<WinMmModelSubject>(profile);
            }};
}

}  // namespace

using contract::MidiBackendContract;

INSTANTIATE_TEST_SUITE_P(WinMmModel, MidiBackendContract,
                         ::testing::Values(Profile(WinMmModel::Profile::Classic),
                                           Profile(WinMmModel::Profile::Services),
                                           Profile(WinMmModel::Profile::ServicesFixed)),
                         contract::ContractBackendName);
