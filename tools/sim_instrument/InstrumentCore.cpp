#include "InstrumentCore.h"

#include <algorithm>

#include "WireTime.h"

using platform::SimulatedInstrument;

InstrumentCore::InstrumentCore(SimulatedInstrument::Config config) : m_instrument(std::move(config)) {}

bool InstrumentCore::feed(const std::uint8_t* bytes, std::size_t length)
{
    keep(bytes, length);
    bool vanishedNow = false;
    m_assembler.feed(bytes, length, [&](const std::uint8_t* message, std::size_t size) {
        vanishedNow = run(message, size) || vanishedNow;
    });
    return vanishedNow;
}

bool InstrumentCore::receive(const std::uint8_t* message, std::size_t length)
{
    keep(message, length);
    return run(message, length);
}

void InstrumentCore::keepReceived()
{
    std::lock_guard lock(m_modelMutex);
    m_keepReceived = true;
}

std::vector<std::uint8_t> InstrumentCore::received() const
{
    std::lock_guard lock(m_modelMutex);
    return m_received;
}

void InstrumentCore::keep(const std::uint8_t* bytes, std::size_t length)
{
    std::lock_guard lock(m_modelMutex);
    if (m_keepReceived)
        m_received.insert(m_received.end(), bytes, bytes + length);
}

void InstrumentCore::interrupt()
{
    m_assembler.reset();
    m_replies.clear();
}

bool InstrumentCore::run(const std::uint8_t* message, std::size_t length)
{
    if (m_vanished)
        return false;
    SimulatedInstrument::Transfer transfer;
    unsigned latencyMs = 0;
    std::uint32_t bytesPerSecond = 0;
    {
        std::lock_guard lock(m_modelMutex);
        transfer = m_instrument.transfer(message, length);
        latencyMs = m_instrument.config().replyLatencyMs;
        bytesPerSecond = m_instrument.config().linkBytesPerSecond;
    }
    if (transfer.link == SimulatedInstrument::LinkState::Vanished) {
        m_vanished = true;
        m_replies.clear();
        return true;
    }
    // The transport cannot slow the sender down, so a slow link shows as the time
    // each message would have taken to arrive, one after the other, before its replies.
    m_linkFreeAt = std::max(m_linkFreeAt, Clock::now()) + platform::WireTime(length, bytesPerSecond);
    auto due = m_linkFreeAt + std::chrono::milliseconds(latencyMs);
    for (auto& reply : transfer.replies) {
        due += platform::WireTime(reply.size(), bytesPerSecond);
        m_replies.push_back({due, std::move(reply)});
    }
    return false;
}

const std::vector<std::uint8_t>* InstrumentCore::dueReply(Clock::time_point now) const
{
    if (m_replies.empty() || m_replies.front().due > now)
        return nullptr;
    return &m_replies.front().bytes;
}

void InstrumentCore::popReply()
{
    if (!m_replies.empty())
        m_replies.pop_front();
}

std::chrono::milliseconds InstrumentCore::timeToNextReply(Clock::time_point now,
                                                          std::chrono::milliseconds longest) const
{
    if (m_replies.empty())
        return longest;
    const auto untilDue = std::chrono::duration_cast<std::chrono::milliseconds>(m_replies.front().due - now);
    return std::clamp(untilDue, std::chrono::milliseconds(0), longest);
}

void InstrumentCore::preload(const std::vector<std::uint16_t>& words)
{
    std::lock_guard lock(m_modelMutex);
    m_instrument.preload(0, words);
}

std::vector<std::uint16_t> InstrumentCore::flash() const
{
    std::lock_guard lock(m_modelMutex);
    return m_instrument.flash();
}

SimulatedInstrument::Statistics InstrumentCore::statistics() const
{
    std::lock_guard lock(m_modelMutex);
    return m_instrument.statistics();
}
