#include <gtest/gtest.h>

#include <jack/midiport.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "JackClient.h"
#include "JackMidiBackend.h"
#include "JackMidiInput.h"
#include "JackMidiOutput.h"
#include "MidiMessageCollector.h"
#include "PrivateJackServer.h"

using namespace platform;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

namespace {

//! A second client that passes every event from its input to its output in
//! the same cycle, standing in for the instrument.
class EchoClient {
public:
    explicit EchoClient(const std::string& server)
    {
        MidiResult result;
        m_client = JackClient::open("echo", server, result);
        if (!m_client)
            return;
        m_in = m_client->registerMidiPort("in", false);
        m_out = m_client->registerMidiPort("out", true);
        m_client->activate(&EchoClient::process, this);
    }

    bool ok() const { return m_client && m_in && m_out; }
    std::string inName() const { return jack_port_name(m_in); }
    std::string outName() const { return jack_port_name(m_out); }
    void close() { m_client.reset(); }

private:
    static int process(jack_nframes_t frames, void* argument)
    {
        auto* self = static_cast<EchoClient*>(argument);
        void* in = jack_port_get_buffer(self->m_in, frames);
        void* out = jack_port_get_buffer(self->m_out, frames);
        jack_midi_clear_buffer(out);
        const jack_nframes_t count = jack_midi_get_event_count(in);
        for (jack_nframes_t i = 0; i < count; ++i) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, in, i) == 0)
                jack_midi_event_write(out, event.time, event.buffer, event.size);
        }
        return 0;
    }

    std::unique_ptr<JackClient> m_client;
    jack_port_t* m_in = nullptr;
    jack_port_t* m_out = nullptr;
};

Bytes dataMessage(std::size_t length, std::uint8_t seed)
{
    Bytes message(length);
    for (std::size_t i = 0; i < length; ++i)
        message[i] = static_cast<std::uint8_t>((i * 7 + seed) & 0x0F);
    message.front() = 0xF0;
    message.back() = 0xF7;
    return message;
}

std::size_t indexOf(const std::vector<std::string>& names, const std::string& name)
{
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name)
            return i;
    return names.size();
}

}  // namespace

class JackMidiTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_server = std::make_unique<PrivateJackServer>("jack"); }
    static void TearDownTestSuite() { s_server.reset(); }

    void SetUp() override
    {
        if (!s_server->running())
            GTEST_SKIP() << "jackd cannot run here";
        echo = std::make_unique<EchoClient>(s_server->name());
        ASSERT_TRUE(echo->ok());
    }

    //! Opens our output to the echo's input and our input from its output.
    void openLoop(JackMidiBackend& backend)
    {
        const auto outputs = backend.outputNames();
        const auto inputs = backend.inputNames();
        ASSERT_LT(indexOf(outputs, echo->inName()), outputs.size());
        ASSERT_LT(indexOf(inputs, echo->outName()), inputs.size());
        ASSERT_TRUE(backend.openOutput(indexOf(outputs, echo->inName()), output).ok());
        ASSERT_TRUE(backend.openInput(indexOf(inputs, echo->outName()), &MidiMessageCollector::callback, &receiver, input).ok());
        receiver.attach(*input);
    }

    void TearDown() override
    {
        if (input)
            receiver.detach(*input);
        input.reset();
        output.reset();
        echo.reset();
    }

    static std::unique_ptr<PrivateJackServer> s_server;
    std::unique_ptr<EchoClient> echo;
    std::unique_ptr<MidiOutput> output;
    std::unique_ptr<MidiInput> input;
    MidiMessageCollector receiver;
};

std::unique_ptr<PrivateJackServer> JackMidiTest::s_server;

TEST(JackPortFilterTest, OwnClientsAreLeftOut)
{
    const std::vector<std::string> ports = {"system:midi_playback_1", "vantrel-updater-out:midi_out",
                                            "vantrel-updater-in-01:midi_in", "sim:in", "vantrel-sim:in"};
    EXPECT_EQ(ForeignJackPorts(ports, "vantrel-updater"),
              (std::vector<std::string>{"system:midi_playback_1", "sim:in", "vantrel-sim:in"}));
}

TEST(JackNoServerTest, ListsNothingQuicklyQuietlyAndStartsNoServer)
{
    const std::string server = "vantrel-test-absent-" + std::to_string(::getpid());
    JackMidiBackend backend(server);
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    const auto started = Clock::now();
    const auto outputs = backend.outputNames();
    const auto inputs = backend.inputNames();
    std::unique_ptr<MidiOutput> output;
    const MidiResult opened = backend.openOutput(0, output);
    const auto elapsed = Clock::now() - started;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(outputs.empty());
    EXPECT_TRUE(inputs.empty());
    EXPECT_EQ(opened.code, kMidiBadDevice);
    // Starting a server would take seconds; failing to find one takes milliseconds.
    EXPECT_LT(elapsed, std::chrono::milliseconds(1500));
    MidiResult result;
    EXPECT_FALSE(JackClient::open("vantrel-test-check", server, result)) << "a server was started";
    EXPECT_EQ(result.code, kMidiNoDriver);
}

TEST_F(JackMidiTest, ListsOtherClientsButNotOurOwnPorts)
{
    JackMidiBackend backend(s_server->name());
    ASSERT_NO_FATAL_FAILURE(openLoop(backend));
    for (const auto& name : backend.outputNames())
        EXPECT_EQ(name.find(JackMidiBackend::kClientPrefix), std::string::npos) << name;
    for (const auto& name : backend.inputNames())
        EXPECT_EQ(name.find(JackMidiBackend::kClientPrefix), std::string::npos) << name;
}

TEST_F(JackMidiTest, LongestMessagesArriveWholeAndInOrder)
{
    JackMidiBackend backend(s_server->name());
    ASSERT_NO_FATAL_FAILURE(openLoop(backend));
    constexpr int kMessages = 20;
    for (int i = 0; i < kMessages; ++i)
        ASSERT_TRUE(output->sendSysEx(dataMessage(4101, static_cast<std::uint8_t>(i)).data(), 4101).ok());
    ASSERT_TRUE(receiver.waitFor(kMessages));
    const auto messages = receiver.messages();
    ASSERT_EQ(messages.size(), static_cast<std::size_t>(kMessages));
    for (int i = 0; i < kMessages; ++i)
        EXPECT_EQ(messages[i], dataMessage(4101, static_cast<std::uint8_t>(i))) << "message " << i;
}

TEST_F(JackMidiTest, SendReturnsAfterACycleHasTakenTheMessage)
{
    JackMidiBackend backend(s_server->name());
    ASSERT_NO_FATAL_FAILURE(openLoop(backend));
    Bytes message = dataMessage(9, 1);
    const auto started = Clock::now();
    ASSERT_TRUE(output->sendSysEx(message.data(), message.size()).ok());
    const auto sendTime = Clock::now() - started;
    message.assign(message.size(), 0x00);  // the caller may reuse its bytes at once
    ASSERT_TRUE(receiver.waitFor(1));
    EXPECT_EQ(receiver.messages()[0], dataMessage(9, 1));
    // One period is 256 / 48000 s (5.3 ms); the send waits for about one.
    EXPECT_LT(sendTime, std::chrono::milliseconds(JackMidiOutput::kCycleTimeoutMs / 2));
}

TEST_F(JackMidiTest, MessageLargerThanTheEventBufferFailsClearly)
{
    JackMidiBackend backend(s_server->name());
    ASSERT_NO_FATAL_FAILURE(openLoop(backend));
    const Bytes huge = dataMessage(200000, 0);
    const MidiResult result = output->sendSysEx(huge.data(), huge.size());
    EXPECT_EQ(result.code, kMidiInvalidParam);
    EXPECT_NE(result.detail.find("at most"), std::string::npos) << result.detail;
    EXPECT_TRUE(output->sendSysEx(dataMessage(5, 0).data(), 5).ok()) << "the port stays usable";
}

TEST_F(JackMidiTest, VanishedPeerMakesSendsFail)
{
    JackMidiBackend backend(s_server->name());
    ASSERT_NO_FATAL_FAILURE(openLoop(backend));
    echo->close();
    const MidiResult result = output->sendSysEx(dataMessage(5, 0).data(), 5);
    EXPECT_FALSE(result.ok());
    EXPECT_NE(result.detail.find("no longer connected"), std::string::npos) << result.detail;
}

TEST_F(JackMidiTest, NonSysExEventsDoNotDisturbReplies)
{
    JackMidiBackend backend(s_server->name());
    ASSERT_NO_FATAL_FAILURE(openLoop(backend));
    const Bytes clock = {0xF8};
    const Bytes note = {0x90, 0x40, 0x7F};
    const Bytes reply = {0xF0, 0x04, 0x03, 0x02, 0x01, 0xF7};
    // Only SysEx goes through sendSysEx, but the port passes any event on.
    ASSERT_TRUE(output->sendSysEx(clock.data(), clock.size()).ok());
    ASSERT_TRUE(output->sendSysEx(note.data(), note.size()).ok());
    ASSERT_TRUE(output->sendSysEx(reply.data(), reply.size()).ok());
    ASSERT_TRUE(receiver.waitFor(1));
    EXPECT_EQ(receiver.messages(), std::vector<Bytes>{reply});
}

TEST_F(JackMidiTest, ClosedOutputRefusesToSend)
{
    JackMidiBackend backend(s_server->name());
    ASSERT_NO_FATAL_FAILURE(openLoop(backend));
    EXPECT_TRUE(output->close().ok());
    EXPECT_EQ(output->sendSysEx(dataMessage(5, 0).data(), 5).code, kMidiInvalidHandle);
}

TEST(JackServerShutdownTest, SendsFailAndNothingHangsWhenTheServerDies)
{
    PrivateJackServer server("shutdown");
    if (!server.running())
        GTEST_SKIP() << "jackd cannot run here";
    EchoClient echo(server.name());
    ASSERT_TRUE(echo.ok());
    JackMidiBackend backend(server.name());
    std::unique_ptr<MidiOutput> output;
    std::unique_ptr<MidiInput> input;
    ASSERT_TRUE(backend.openOutput(indexOf(backend.outputNames(), echo.inName()), output).ok());
    ASSERT_TRUE(
        backend.openInput(indexOf(backend.inputNames(), echo.outName()), &MidiMessageCollector::callback, nullptr, input).ok());
    ASSERT_TRUE(input->start().ok());

    server.stop();
    const auto started = Clock::now();
    MidiResult result;
    // The shutdown notice may take a moment; no send may hang meanwhile.
    while (Clock::now() - started < std::chrono::seconds(5)) {
        result = output->sendSysEx(dataMessage(5, 0).data(), 5);
        if (!result.ok())
            break;
    }
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.detail.empty());
    EXPECT_LT(Clock::now() - started, std::chrono::milliseconds(JackMidiOutput::kCycleTimeoutMs + 1000));
    EXPECT_TRUE(backend.outputNames().empty());

    const auto closing = Clock::now();
    input->reset();
    input->close();
    input.reset();
    output.reset();
    EXPECT_LT(Clock::now() - closing, std::chrono::seconds(2));
}
