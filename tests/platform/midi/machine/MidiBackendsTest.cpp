#include <gtest/gtest.h>

#include <cstdlib>

#include "MidiBackends.h"

using namespace platform;

class MidiBackendsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Point JACK at a server that does not exist, so a server the user
        // happens to run cannot change the outcome.
        setenv("JACK_DEFAULT_SERVER", ("vantrel-test-none-" + std::to_string(::getpid())).c_str(), 1);
    }
    MidiSystem system;
};

TEST_F(MidiBackendsTest, RegistersHardwareFirstThenJack)
{
    RegisterSystemMidiBackends(system);
    ASSERT_EQ(system.backends().size(), 2u);
    EXPECT_EQ(system.backends()[0]->backendName(), "ALSA raw MIDI");
    EXPECT_EQ(system.backends()[1]->backendName(), "JACK");
}

TEST_F(MidiBackendsTest, RegisteringTwiceAddsNothing)
{
    RegisterSystemMidiBackends(system);
    RegisterSystemMidiBackends(system);
    EXPECT_EQ(system.backends().size(), 2u);
}

TEST_F(MidiBackendsTest, MachineWithoutDevicesOffersNoneAndSaysNothing)
{
    RegisterSystemMidiBackends(system);
    testing::internal::CaptureStderr();
    const auto outputs = system.outputNames();
    const auto inputs = system.inputNames();
    std::unique_ptr<MidiOutput> output;
    const MidiResult opened = system.openOutput(0, output);
    const std::string noise = testing::internal::GetCapturedStderr();
    if (!outputs.empty() || !inputs.empty())
        GTEST_SKIP() << "this machine has MIDI hardware";
    EXPECT_EQ(opened.code, kMidiBadDevice);
    EXPECT_EQ(noise, "");
}
