// The backend contract over a private JACK server, with a client that
// echoes every event as the peer. The device goes away with the server.
#include <atomic>

#include "JackEchoClient.h"
#include "JackMidiBackend.h"
#include "MidiBackendContract.h"
#include "PrivateJackServer.h"

using namespace platform;

namespace {

constexpr std::chrono::seconds kEchoLimit{10};

class JackSubject : public contract::ContractSubject {
public:
    static std::unique_ptr<contract::ContractSubject> Make(std::string& unavailable)
    {
        std::unique_ptr<JackSubject> subject(new JackSubject);
        if (!subject->m_server.running()) {
            unavailable = "jackd cannot run here";
            return nullptr;
        }
        subject->m_echo = std::make_unique<JackEchoClient>(subject->m_server.name());
        if (!subject->m_echo->ok()) {
            ADD_FAILURE() << "the echo client cannot join the private server";
            return nullptr;
        }
        subject->m_backend = std::make_shared<JackMidiBackend>(subject->m_server.name());
        subject->m_output = subject->Port(subject->m_echo->inName());
        subject->m_input = subject->Port(subject->m_echo->outName());
        return subject;
    }

    std::shared_ptr<MidiBackend> backend() override { return m_backend; }
    MidiDeviceId output() override { return m_output; }
    MidiDeviceId input() override { return m_input; }

    Exchange exchange() override { return contract::EchoedExchange(); }

    std::vector<contract::Bytes> receivedByPeer(std::size_t count) override
    {
        return m_echo->received(count, kEchoLimit);
    }

    void removeDevice() override { m_server.stop(); }
    int goneStatus() const override { return kMidiNoDriver; }

private:
    // Each case has a server of its own: one of them stops it.
    JackSubject() : m_server("contract-" + std::to_string(s_servers++)) {}

    MidiDeviceId Port(const std::string& name) const { return {m_backend->backendName(), name, name}; }

    static inline std::atomic<int> s_servers{0};
    PrivateJackServer m_server;
    std::unique_ptr<JackEchoClient> m_echo;
    std::shared_ptr<JackMidiBackend> m_backend;
    MidiDeviceId m_output;  // the echo's ports, named while the server runs
    MidiDeviceId m_input;
};

}  // namespace

using contract::MidiBackendContract;

INSTANTIATE_TEST_SUITE_P(Jack, MidiBackendContract,
                         ::testing::Values(contract::ContractBackend{"Jack", &JackSubject::Make}),
                         contract::ContractBackendName);
