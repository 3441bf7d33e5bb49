#include "MidiSystem.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

class NullOutput : public MidiOutput {
public:
    explicit NullOutput(std::string name) : name(std::move(name)) {}
    MidiResult sendSysEx(const std::uint8_t*, std::size_t) override { return {}; }
    MidiResult close() override { return {}; }
    std::string name;
};

// A backend with a fixed number of devices that remembers what was opened.
class CountingBackend : public MidiBackend {
public:
    CountingBackend(std::string name, std::size_t outputs, std::size_t inputs)
        : m_name(std::move(name)), m_outputs(outputs), m_inputs(inputs)
    {
    }
    std::string backendName() const override { return m_name; }
    std::vector<std::string> outputNames() override { return names("out", m_outputs); }
    std::vector<std::string> inputNames() override { return names("in", m_inputs); }
    MidiResult openOutput(std::size_t index, std::unique_ptr<MidiOutput>& port) override
    {
        port = std::make_unique<NullOutput>(m_name + " out " + std::to_string(index));
        return {};
    }
    MidiResult openInput(std::size_t index, MidiInCallback, void*, std::unique_ptr<MidiInput>&) override
    {
        openedInputs.push_back(index);
        return MidiResult::failure(kMidiNotReady, m_name + " input busy");
    }
    std::vector<std::size_t> openedInputs;

private:
    std::vector<std::string> names(const char* kind, std::size_t count) const
    {
        std::vector<std::string> list;
        for (std::size_t i = 0; i < count; ++i)
            list.push_back(m_name + " " + kind + " " + std::to_string(i));
        return list;
    }
    std::string m_name;
    std::size_t m_outputs;
    std::size_t m_inputs;
};

// A backend whose device list the test rewrites, as plugging does.
class ListBackend : public MidiBackend {
public:
    std::string backendName() const override { return "list"; }
    std::vector<std::string> outputNames() override { return names; }
    std::vector<std::string> inputNames() override { return names; }
    MidiResult openOutput(std::size_t index, std::unique_ptr<MidiOutput>& port) override
    {
        port = std::make_unique<NullOutput>(names.at(index));
        return {};
    }
    MidiResult openInput(std::size_t, MidiInCallback, void*, std::unique_ptr<MidiInput>&) override { return {}; }
    std::vector<std::string> names;
};

}  // namespace

TEST(MidiSystemIdentity, ChosenDeviceIsOpenedWhereverItStandsOrNamedWhenItIsGone)
{
    MidiSystem system;
    auto backend = std::make_shared<ListBackend>();
    system.addBackend(backend);
    backend->names = {"USB one", "USB two"};
    const MidiDeviceId chosen = system.outputDevices().at(1);
    EXPECT_EQ(chosen, (MidiDeviceId{"list", "USB two", "USB two"}));

    backend->names = {"plugged in since", "USB one", "USB two"};
    std::unique_ptr<MidiOutput> port;
    ASSERT_TRUE(system.openOutput(chosen, port).ok());
    EXPECT_EQ(static_cast<NullOutput&>(*port).name, "USB two");

    backend->names = {"plugged in since", "USB one"};
    const MidiResult gone = system.openOutput(chosen, port);
    EXPECT_EQ(gone.code, kMidiNoDevice);
    EXPECT_EQ(gone.detail, "\"USB two\" is no longer connected");
}

class MidiSystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        system.addBackend(first);
        system.addBackend(second);
    }
    MidiSystem system;
    std::shared_ptr<CountingBackend> first = std::make_shared<CountingBackend>("A", 2, 1);
    std::shared_ptr<CountingBackend> second = std::make_shared<CountingBackend>("B", 1, 3);
};

TEST_F(MidiSystemTest, DevicesAreNumberedAcrossBackendsInOrder)
{
    EXPECT_EQ(system.outputNames(), (std::vector<std::string>{"A out 0", "A out 1", "B out 0"}));
    EXPECT_EQ(system.inputNames(), (std::vector<std::string>{"A in 0", "B in 0", "B in 1", "B in 2"}));
}

TEST_F(MidiSystemTest, DeviceNumberPicksTheBackendAndItsIndex)
{
    std::unique_ptr<MidiOutput> port;
    ASSERT_TRUE(system.openOutput(2, port).ok());
    EXPECT_EQ(static_cast<NullOutput&>(*port).name, "B out 0");
    ASSERT_TRUE(system.openOutput(1, port).ok());
    EXPECT_EQ(static_cast<NullOutput&>(*port).name, "A out 1");
    std::unique_ptr<MidiInput> input;
    const MidiResult result = system.openInput(3, nullptr, nullptr, input);
    EXPECT_EQ(second->openedInputs, (std::vector<std::size_t>{2}));
    EXPECT_EQ(MidiSystem::errorText(result), "B input busy");
}

TEST_F(MidiSystemTest, NumbersBeyondTheListAreBadDevices)
{
    std::unique_ptr<MidiOutput> port;
    EXPECT_EQ(system.openOutput(3, port).code, kMidiBadDevice);
    std::unique_ptr<MidiInput> input;
    EXPECT_EQ(system.openInput(4, nullptr, nullptr, input).code, kMidiBadDevice);
    EXPECT_EQ(port, nullptr);
}

TEST_F(MidiSystemTest, RemovedBackendRenumbersTheRest)
{
    system.addBackend(first);  // already there: not listed twice
    EXPECT_EQ(system.outputNames().size(), 3u);
    system.removeBackend(first);
    std::unique_ptr<MidiOutput> port;
    ASSERT_TRUE(system.openOutput(0, port).ok());
    EXPECT_EQ(static_cast<NullOutput&>(*port).name, "B out 0");
    system.clearBackends();
    EXPECT_TRUE(system.inputNames().empty());
}

TEST(MidiSystemErrorTextTest, CodesHaveTextsAndDetailsWin)
{
    EXPECT_EQ(MidiSystem::errorText(kMidiInvalidHandle), "The specified device handle is invalid.");
    EXPECT_EQ(MidiSystem::errorText(12345), MidiSystem::errorText(kMidiError));
    EXPECT_EQ(MidiSystem::errorText(MidiResult::failure(kMidiNoDevice)), MidiSystem::errorText(kMidiNoDevice));
    EXPECT_EQ(MidiSystem::errorText(MidiResult::failure(kMidiNoDevice, "gone")), "gone");
}
