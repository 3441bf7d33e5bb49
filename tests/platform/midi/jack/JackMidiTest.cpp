#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "JackClient.h"
#include "JackEchoClient.h"
#include "JackMidiBackend.h"
#include "JackMidiInput.h"
#include "JackMidiOutput.h"
#include "MidiMessageCollector.h"
#include "PrivateJackServer.h"

using namespace platform;
using Bytes = std::vector<std::uint8_t>;

namespace {

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
        echo = std::make_unique<JackEchoClient>(s_server->name());
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
    std::unique_ptr<JackEchoClient> echo;
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

TEST(JackNoServerTest, ListsNothingQuietlyAndStartsNoServer)
{
    const std::string server = "vantrel-test-absent-" + std::to_string(::getpid());
    JackMidiBackend backend(server);
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    const auto outputs = backend.outputNames();
    const auto inputs = backend.inputNames();
    std::unique_ptr<MidiOutput> output;
    const MidiResult opened = backend.openOutput(0, output);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(outputs.empty());
    EXPECT_TRUE(inputs.empty());
    EXPECT_EQ(opened.code, kMidiBadDevice);
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
    // They would come before the reply, in sending order.
    ASSERT_TRUE(receiver.waitFor(1));
    EXPECT_EQ(receiver.messages(), std::vector<Bytes>{reply});
}
