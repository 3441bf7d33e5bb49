// The backend contract on the simulated instrument, which answers a read
// request with the words of its flash.
#include "MidiBackendContract.h"
#include "SimulatedMidiBackend.h"

using namespace platform;

namespace {

class SimulatedSubject : public contract::ContractSubject {
public:
    SimulatedSubject()
        : m_backend(std::make_shared<SimulatedMidiBackend>(Config())),
          m_output(m_backend->outputDevices().at(0)),
          m_input(m_backend->inputDevices().at(0))
    {
        m_backend->withInstrument([](SimulatedInstrument& sim) { sim.preload(0, Words()); });
    }

    std::shared_ptr<MidiBackend> backend() override { return m_backend; }
    MidiDeviceId output() override { return m_output; }
    MidiDeviceId input() override { return m_input; }

    Exchange exchange() override
    {
        // A read of the 16 words from word 0 on.
        return {{0xF0, 0x7E, 0x08, 0x08, 0xF7}, SimulatedInstrument::EncodeReply(Words())};
    }

    std::vector<contract::Bytes> receivedByPeer(std::size_t) override
    {
        // The instrument takes each message as it starts.
        std::vector<contract::Bytes> received;
        for (const RecordedMidiMessage& message : m_backend->recordedMessages())
            received.push_back(message.bytes);
        return received;
    }

    void removeDevice() override
    {
        m_backend->withInstrument(
            [](SimulatedInstrument& sim) { sim.faults().vanishAfter = sim.statistics().messagesOffered; });
    }

    int goneStatus() const override { return kMidiNoDevice; }

private:
    static SimulatedInstrument::Config Config()
    {
        SimulatedInstrument::Config config;
        config.linkBytesPerSecond = 41010;  // a 4101-byte message is on the wire for 100 ms
        return config;
    }

    static std::vector<std::uint16_t> Words()
    {
        std::vector<std::uint16_t> words;
        for (std::uint16_t i = 0; i < 16; ++i)
            words.push_back(static_cast<std::uint16_t>(0x1111 * i + 7));
        return words;
    }

    std::shared_ptr<SimulatedMidiBackend> m_backend;
    MidiDeviceId m_output;
    MidiDeviceId m_input;
};

}  // namespace

using contract::MidiBackendContract;

INSTANTIATE_TEST_SUITE_P(Simulated, MidiBackendContract,
                         ::testing::Values(contract::ContractBackend{
                             "Simulated",
                             [](std::string&) -> std::unique_ptr<contract::ContractSubject> {
                                 return std::make_unique<SimulatedSubject>();
                             }}),
                         contract::ContractBackendName);
