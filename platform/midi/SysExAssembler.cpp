#include "SysExAssembler.h"

#include "MidiBytes.h"

namespace platform {

SysExAssembler::SysExAssembler()
{
    // Reserved once, so receiving never allocates.
    m_message.reserve(kMaxMessageLength);
}

void SysExAssembler::feed(const std::uint8_t* bytes, std::size_t length, const MessageHandler& onMessage)
{
    if (bytes == nullptr)
        return;
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t byte = bytes[i];
        if (IsRealTimeByte(byte))
            continue;  // clock, active sensing etc. may sit anywhere, even inside SysEx
        if (IsStatusByte(byte))
            handleStatus(byte, onMessage);
        else
            handleData(byte);
    }
}

void SysExAssembler::reset()
{
    if (m_state == State::Collecting)
        ++m_dropped;
    m_message.clear();
    m_state = State::Idle;
}

void SysExAssembler::handleStatus(std::uint8_t status, const MessageHandler& onMessage)
{
    if (status == kSysExEnd) {
        if (m_state == State::Collecting) {
            m_message.push_back(kSysExEnd);
            if (onMessage)
                onMessage(m_message.data(), m_message.size());
        }
        m_message.clear();
        m_state = State::Idle;
        return;
    }
    if (m_state == State::Collecting)
        dropMessage(State::Idle);  // a status byte other than F7 interrupts the message
    m_message.clear();
    m_state = State::Idle;
    if (status == kSysExStart) {
        m_message.push_back(kSysExStart);
        m_state = State::Collecting;
    }
}

void SysExAssembler::handleData(std::uint8_t data)
{
    if (m_state != State::Collecting)
        return;
    // Room must stay for the closing F7.
    if (m_message.size() + 1 >= kMaxMessageLength) {
        dropMessage(State::SkippingOversized);
        return;
    }
    m_message.push_back(data);
}

void SysExAssembler::dropMessage(State next)
{
    ++m_dropped;
    m_message.clear();
    m_state = next;
}

}  // namespace platform
