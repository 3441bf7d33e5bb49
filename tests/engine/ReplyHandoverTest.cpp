// The hand-over of replies from the input's delivery thread to the waiting
// protocol code: thousands of replies with distinct contents and lengths,
// with unsolicited extra replies arriving while the waiting side reads. The
// waiting side must never see a torn or stale payload. Runs under
// ThreadSanitizer in CI, so it must not pull in Qt.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

#include "CMidiPort.h"
#include "MidiBackend.h"
#include "MidiReply.h"
#include "MidiSystem.h"

using Bytes = std::vector<std::uint8_t>;

namespace {

// Word j of the reply for the read at `address`: differs for every address and position.
std::uint16_t WordFor(std::uint32_t address, unsigned j)
{
    return static_cast<std::uint16_t>((address * 2654435761u >> 7) + j * 0x9E37u);
}

// Words in the reply for `address`: 1 to 49, so lengths vary from reply to reply.
unsigned WordsFor(std::uint32_t address) { return 1 + address % 49; }

Bytes ReplyFor(std::uint32_t address)
{
    Bytes reply{0xF0};
    for (unsigned j = 0; j < WordsFor(address); ++j) {
        const std::uint16_t w = WordFor(address, j);
        for (int shift : {0, 4, 8, 12})
            reply.push_back(std::uint8_t(w >> shift & 0xF));
    }
    reply.push_back(0xF7);
    return reply;
}

// An input whose messages are delivered on its own thread, like a driver's.
class ThreadedInput : public platform::MidiInput {
public:
    using MidiInput::MidiInput;
    ~ThreadedInput() override { stopDevice(); }

    void post(Bytes message)
    {
        {
            std::lock_guard lock(m_mutex);
            m_pending.push_back(std::move(message));
        }
        m_wake.notify_one();
    }

    //! Waits until every posted message has been delivered.
    void waitIdle()
    {
        std::unique_lock lock(m_mutex);
        m_idle.wait(lock, [this] { return m_pending.empty() && !m_delivering; });
    }

protected:
    platform::MidiResult startDevice() override
    {
        m_running = true;
        m_thread = std::thread([this] { run(); });
        return {};
    }
    void stopDevice() override
    {
        {
            std::lock_guard lock(m_mutex);
            m_running = false;
        }
        m_wake.notify_one();
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    void run()
    {
        std::unique_lock lock(m_mutex);
        while (true) {
            m_wake.wait(lock, [this] { return !m_running || !m_pending.empty(); });
            if (!m_running)
                return;
            const Bytes message = std::move(m_pending.front());
            m_pending.pop_front();
            m_delivering = true;
            lock.unlock();
            deliverSysEx(message.data(), message.size());
            lock.lock();
            m_delivering = false;
            m_idle.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Bytes> m_pending;
    bool m_running = false;
    bool m_delivering = false;
    std::thread m_thread;
};

// The device: keeps the current address and answers each read request from
// the input thread.
class EchoOutput : public platform::MidiOutput {
public:
    explicit EchoOutput(ThreadedInput*& input) : m_input(input) {}
    platform::MidiResult sendSysEx(const std::uint8_t* message, std::size_t length) override
    {
        const std::uint8_t command = message[3];
        const std::uint16_t value = length == 9 ? std::uint16_t(message[4] << 12 | message[5] << 8 | message[6] << 4 | message[7]) : 0;
        if (command == 0x05)
            m_address = (m_address & 0xFFFF) | std::uint32_t(value) << 16;
        else if (command == 0x06)
            m_address = (m_address & 0xFFFF0000u) | value;
        else if (command == 0x08 && m_input != nullptr)
            m_input->post(ReplyFor(m_address));
        return {};
    }
    platform::MidiResult close() override { return {}; }

private:
    ThreadedInput*& m_input;
    std::uint32_t m_address = 0;
};

class EchoBackend : public platform::MidiBackend {
public:
    std::string backendName() const override { return "echo"; }
    std::vector<std::string> outputNames() override { return {"echo"}; }
    std::vector<std::string> inputNames() override { return {"echo"}; }
    platform::MidiResult openOutput(std::size_t, std::unique_ptr<platform::MidiOutput>& port) override
    {
        port = std::make_unique<EchoOutput>(m_input);
        return {};
    }
    platform::MidiResult openInput(std::size_t, platform::MidiInCallback callback, void* instance,
                                   std::unique_ptr<platform::MidiInput>& port) override
    {
        auto input = std::make_unique<ThreadedInput>(callback, instance);
        m_input = input.get();
        port = std::move(input);
        return {};
    }

private:
    ThreadedInput* m_input = nullptr;
};

}  // namespace

class ReplyHandoverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::MidiSystem::instance().clearBackends();
        platform::MidiSystem::instance().addBackend(std::make_shared<EchoBackend>());
    }
    void TearDown() override { platform::MidiSystem::instance().clearBackends(); }
};

TEST_F(ReplyHandoverTest, ReadsThroughThePortSeeEveryReplyWhole)
{
    constexpr unsigned kReads = 2000;
    CMidiPort port;
    port.OpenOutput(0);
    port.OpenInput(0);
    std::uint8_t buffer[2 * 49];
    for (std::uint32_t read = 0; read < kReads; ++read) {
        const std::uint32_t address = read * 0x10001u;
        const unsigned words = WordsFor(address);
        try {
            port.ReadWords(buffer, address, words, 1000);
        } catch (const CMidiError& error) {
            FAIL() << "read " << read << ": " << error.what();
        }
        for (unsigned j = 0; j < words; ++j)
            ASSERT_EQ(buffer[2 * j] | buffer[2 * j + 1] << 8, WordFor(address, j)) << "read " << read << " word " << j;
    }
    port.CloseOutput();
    port.CloseInput();
}

TEST_F(ReplyHandoverTest, SpinningReaderNeverSeesATornOrStalePayload)
{
    // The callback and the flag alone, without the 1 ms polls, so the two
    // threads meet as often as possible.
    constexpr std::uint32_t kReplies = 8000;
    CMidiPort owner;  // never opened: only the callback's instance
    ThreadedInput input(&CMidiPort::MidiInProc, &owner);
    g_midiInHeader = platform::MidiHeader{g_midiInBuffer, kMidiInBufferSize, 0, 0};
    ASSERT_TRUE(input.prepareHeader(&g_midiInHeader).ok());
    ASSERT_TRUE(input.addBuffer(&g_midiInHeader).ok());
    ASSERT_TRUE(input.start().ok());

    for (std::uint32_t address = 1; address <= kReplies; ++address) {
        ClearReplyReady();  // what every send does first
        input.post(ReplyFor(address));
        if (address % 2 == 0)
            input.post(ReplyFor(address + 7));  // unsolicited, arrives while we read
        while (!IsReplyReady())
            std::this_thread::yield();
        const Bytes expected = ReplyFor(address);
        ASSERT_EQ(g_replyLength, expected.size()) << "reply " << address;
        ASSERT_TRUE(std::equal(expected.begin() + 1, expected.end() - 1, g_replyData)) << "reply " << address;
        // A reply can only be told from an earlier one by arriving after the
        // request; let the extra one land before the next request.
        input.waitIdle();
        ASSERT_EQ(g_replyLength, expected.size()) << "reply " << address << " was overwritten while flagged";
        ASSERT_TRUE(std::equal(expected.begin() + 1, expected.end() - 1, g_replyData)) << "reply " << address;
    }
    input.reset();
    input.unprepareHeader(&g_midiInHeader);
    input.close();
}
