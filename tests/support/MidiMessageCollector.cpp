#include "MidiMessageCollector.h"

#include <gtest/gtest.h>

MidiMessageCollector::MidiMessageCollector(std::size_t bufferSize) : m_buffer(bufferSize) {}

void MidiMessageCollector::callback(platform::MidiInput* input, unsigned message, void* instance,
                                    platform::MidiHeader* header)
{
    auto* self = static_cast<MidiMessageCollector*>(instance);
    if (self->m_closed)
        ++self->m_lateCalls;
    // An empty buffer is one handed back by reset, not a message.
    if (message != platform::kMimLongData || header->bytesRecorded == 0)
        return;
    {
        std::lock_guard lock(self->m_mutex);
        self->m_messages.emplace_back(header->data, header->data + header->bytesRecorded);
        self->m_times.push_back(std::chrono::steady_clock::now());
    }
    self->m_arrived.notify();
    input->addBuffer(header);
}

void MidiMessageCollector::attach(platform::MidiInput& input)
{
    m_header.data = m_buffer.data();
    m_header.bufferLength = static_cast<std::uint32_t>(m_buffer.size());
    ASSERT_TRUE(input.prepareHeader(&m_header).ok());
    ASSERT_TRUE(input.addBuffer(&m_header).ok());
    ASSERT_TRUE(input.start().ok());
}

void MidiMessageCollector::detach(platform::MidiInput& input)
{
    EXPECT_TRUE(input.reset().ok());
    EXPECT_TRUE(input.unprepareHeader(&m_header).ok());
    EXPECT_TRUE(input.close().ok());
}

bool MidiMessageCollector::waitFor(std::size_t count, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const std::uint32_t seen = m_arrived.generation();  // before the look: an arrival after it still wakes
        {
            std::lock_guard lock(m_mutex);
            if (m_messages.size() >= count)
                return true;
        }
        const auto left = std::chrono::ceil<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now());
        if (left <= left.zero())
            return false;
        m_arrived.waitFor(seen, left);
    }
}

std::vector<MidiMessageCollector::Bytes> MidiMessageCollector::messages()
{
    std::lock_guard lock(m_mutex);
    return m_messages;
}

std::vector<std::chrono::steady_clock::time_point> MidiMessageCollector::times()
{
    std::lock_guard lock(m_mutex);
    return m_times;
}
