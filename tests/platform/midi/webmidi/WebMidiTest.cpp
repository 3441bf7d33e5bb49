// The Web MIDI backend in Node, with a page of the test's own: its ports lead
// to a far end that echoes (the backend contract) or to the simulated
// instrument's logic (whole updates, with replies handed over in pieces, a
// piece lost, the port disconnected half-way).
#include <emscripten.h>
#include <gtest/gtest.h>

#include <chrono>
#include <list>
#include <memory>

#include "CapturingObserver.h"
#include "FirmwareUpdate.h"
#include "MidiBackendContract.h"
#include "PreciseSleep.h"
#include "ScratchDirectory.h"
#include "SimulatedInstrument.h"
#include "UpdateTestSupport.h"
#include "WebMidiBackend.h"

using namespace platform;

// The page: one input and one output named "Fake MIDI"; what the engine sends
// goes to fake_far_end after its time on a link of `bytesPerSecond`, answers
// come back in pieces of `pieceBytes` (0: whole), piece `dropPiece` of the
// answer numbered `dropAnswer` left out.
EM_JS(void, fake_page_install, (int bytesPerSecond, int pieceBytes, int dropAnswer, int dropPiece), {
    if (Module.fakePage) Module.fakePage.timers.forEach(clearTimeout);  // an earlier test's answers stay unsaid
    const port = (id) => ({id, name : 'Fake MIDI', state : 'connected'});
    const page = {answers : 0, received : [], timers : []};
    Module.fakePage = page;
    Module.webMidi = {
        ports : {input : [port('in')], output : [port('out')]},
        bytesPerSecond,
        open : () => Promise.resolve(null),
        close : () => {},
        send : (id, bytes) => {
            page.received.push(bytes);
            const copy = Module._malloc(bytes.length);
            Module.HEAPU8.set(bytes, copy);
            Module._fake_far_end(copy, bytes.length);
            Module._free(copy);
        },
    };
    page.answer = (bytes, delayMs) => {
        const number = page.answers++;
        page.timers.push(setTimeout(() => {
            const step = pieceBytes > 0 ? pieceBytes : bytes.length;
            for (let at = 0, piece = 0; at < bytes.length; at += step, ++piece) {
                if (number === dropAnswer && piece === dropPiece) continue;
                Module.webMidiReceived('in', bytes.slice(at, at + step));
            }
        }, delayMs));
    };
});
EM_JS(void, fake_page_answer, (const std::uint8_t* bytes, std::size_t length, double delayMs), {
    Module.fakePage.answer(Module.HEAPU8.slice(bytes, bytes + length), delayMs);
});
EM_JS(void, fake_page_disconnect, (), {
    const gone = Module.webMidi.ports;
    gone.input[0].state = gone.output[0].state = 'disconnected';
    Module.webMidiPortsChanged(gone);
});
EM_JS(int, fake_page_received_count, (), { return Module.fakePage.received.length; });
EM_JS(int, fake_page_received_length, (int index), { return Module.fakePage.received[index].length; });
EM_JS(void, fake_page_received_copy, (int index, std::uint8_t* to),
      { Module.HEAPU8.set(Module.fakePage.received[index], to); });

namespace {

using Bytes = std::vector<std::uint8_t>;

// What the far end does with each message: the instrument's logic, or an echo.
SimulatedInstrument* g_instrument = nullptr;
std::uint32_t g_bytesPerSecond = 0;

double WireMs(std::size_t bytes) { return 1000.0 * static_cast<double>(bytes) / g_bytesPerSecond; }

std::vector<Bytes> ReceivedByFarEnd()
{
    std::vector<Bytes> received(static_cast<std::size_t>(fake_page_received_count()));
    for (std::size_t i = 0; i < received.size(); ++i) {
        received[i].resize(static_cast<std::size_t>(fake_page_received_length(static_cast<int>(i))));
        fake_page_received_copy(static_cast<int>(i), received[i].data());
    }
    return received;
}

struct FarEnd {
    int pieceBytes = 0;
    int dropAnswer = -1;
    int dropPiece = -1;
};

void InstallPage(std::uint32_t bytesPerSecond, const FarEnd& farEnd)
{
    g_bytesPerSecond = bytesPerSecond;
    fake_page_install(static_cast<int>(bytesPerSecond), farEnd.pieceBytes, farEnd.dropAnswer, farEnd.dropPiece);
}

}  // namespace

extern "C" EMSCRIPTEN_KEEPALIVE void fake_far_end(const std::uint8_t* bytes, std::size_t length)
{
    double delay = WireMs(length);
    if (g_instrument == nullptr) {
        fake_page_answer(bytes, length, delay + WireMs(length));
        return;
    }
    for (const Bytes& reply : g_instrument->receive(bytes, length)) {
        delay += WireMs(reply.size());
        fake_page_answer(reply.data(), reply.size(), delay);
    }
}

namespace {

class WebMidiSubject : public contract::ContractSubject {
public:
    WebMidiSubject()
    {
        g_instrument = nullptr;
        InstallPage(41010, {});  // a 4101-byte message is on its way for 100 ms
        m_output = m_backend->outputDevices().at(0);
        m_input = m_backend->inputDevices().at(0);
    }

    std::shared_ptr<MidiBackend> backend() override { return m_backend; }
    MidiDeviceId output() override { return m_output; }
    MidiDeviceId input() override { return m_input; }
    Exchange exchange() override { return contract::EchoedExchange(); }

    std::vector<contract::Bytes> receivedByPeer(std::size_t count) override
    {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (static_cast<std::size_t>(fake_page_received_count()) < count && std::chrono::steady_clock::now() < limit)
            SleepUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(10));
        return ReceivedByFarEnd();
    }

    void removeDevice() override { fake_page_disconnect(); }
    int goneStatus() const override { return kMidiNoDevice; }

private:
    std::shared_ptr<WebMidiBackend> m_backend = std::make_shared<WebMidiBackend>();
    MidiDeviceId m_output;
    MidiDeviceId m_input;
};

}  // namespace

using contract::MidiBackendContract;

INSTANTIATE_TEST_SUITE_P(WebMidi, MidiBackendContract,
                         ::testing::Values(contract::ContractBackend{
                             "WebMidi",
                             [](std::string&) -> std::unique_ptr<contract::ContractSubject> {
                                 return std::make_unique<WebMidiSubject>();
                             }}),
                         contract::ContractBackendName);

namespace {

// One update with verify over Web MIDI: the far end as given, the port
// disconnected once the bar reaches `disconnectAt` (never when negative).
struct UpdateCase {
    const char* name;
    FarEnd farEnd;
    int disconnectAt;
    bool succeeds;
};

class WebMidiUpdate : public ::testing::TestWithParam<UpdateCase> {
protected:
    void TearDown() override
    {
        g_instrument = nullptr;
        MidiSystem::instance().clearBackends();
    }
};

TEST_P(WebMidiUpdate, EndsAsTheLinkAllows)
{
    const UpdateCase& test = GetParam();
    constexpr std::uint32_t kFlashWords = 0x2000;
    SimulatedInstrument::Config config = TestInstrumentConfig();
    config.flashWords = kFlashWords;
    config.sectorStarts = SmallSectors(kFlashWords);
    SimulatedInstrument instrument(config);
    g_instrument = &instrument;
    InstallPage(31250, test.farEnd);
    MidiSystem::instance().clearBackends();
    MidiSystem::instance().addBackend(std::make_shared<WebMidiBackend>());

    ScratchDirectory scratch;
    const std::vector<std::uint8_t> image = PatternImage(4 * FirmwareUpdate::kChunkWords * 2);
    const std::string path = scratch.writeFile("image.bin", image);
    const std::list<std::uint32_t> blocks{0, 0x400, 0x800, 0xC00};
    CapturingObserver observer;
    observer.realWaits = true;
    std::chrono::steady_clock::time_point disconnected{};
    observer.onWait = [&](int) {
        if (test.disconnectAt >= 0 && disconnected == decltype(disconnected){} && !observer.positions.empty() &&
            observer.positions.back() >= test.disconnectAt) {
            disconnected = std::chrono::steady_clock::now();
            fake_page_disconnect();
        }
    };

    CMidiPort port;
    bool ok = false;
    try {
        port.OpenPorts(0, 0);
        ok = FirmwareUpdate::WriteImage(port, path, blocks, observer) &&
             FirmwareUpdate::VerifyImage(port, path, blocks, observer);
        port.ClosePorts();
    } catch (const CMidiError& error) {
        observer.messages.push_back(error.what());
    }
    EXPECT_EQ(ok, test.succeeds) << ::testing::PrintToString(observer.messages);
    if (test.succeeds)
        EXPECT_EQ(std::vector<std::uint16_t>(instrument.flash().begin(), instrument.flash().begin() + image.size() / 2),
                  ImageAsWords(image));
    if (test.disconnectAt >= 0) {
        ASSERT_FALSE(observer.messages.empty());
        EXPECT_EQ(observer.messages.back(), "\"Fake MIDI\" is no longer connected");
        EXPECT_LT(std::chrono::steady_clock::now() - disconnected, std::chrono::seconds(2));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WebMidiUpdate,
    ::testing::Values(UpdateCase{"WholeMessages", {}, -1, true},
                      UpdateCase{"AnswersInPiecesOfSevenBytes", {7, -1, -1}, -1, true},
                      UpdateCase{"APieceOfAnAnswerLost", {16, 40, 1}, -1, false},
                      UpdateCase{"PortDisconnectedHalfWay", {}, 2, false}),
    [](const ::testing::TestParamInfo<UpdateCase>& info) { return std::string(info.param.name); });

}  // namespace
