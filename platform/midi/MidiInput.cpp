#include "MidiInput.h"

#include <algorithm>
#include <cstring>

namespace platform {

MidiInput::MidiInput(MidiInCallback callback, void* instance) : m_callback(callback), m_instance(instance) {}

MidiResult MidiInput::prepareHeader(MidiHeader* header)
{
    if (header == nullptr || header->data == nullptr || header->bufferLength == 0)
        return MidiResult::failure(kMidiInvalidParam);
    header->flags |= kMhdrPrepared;
    return MidiResult::success();
}

MidiResult MidiInput::unprepareHeader(MidiHeader* header)
{
    if (header == nullptr)
        return MidiResult::failure(kMidiInvalidParam);
    std::lock_guard lock(m_queueMutex);
    if (std::find(m_queue.begin(), m_queue.end(), header) != m_queue.end())
        return MidiResult::failure(kMidiStillPlaying);
    header->flags &= ~(kMhdrPrepared | kMhdrInQueue);
    return MidiResult::success();
}

MidiResult MidiInput::addBuffer(MidiHeader* header)
{
    if (header == nullptr)
        return MidiResult::failure(kMidiInvalidParam);
    if ((header->flags & kMhdrPrepared) == 0)
        return MidiResult::failure(kMidiUnprepared);
    std::lock_guard lock(m_queueMutex);
    if (m_closed)
        return MidiResult::failure(kMidiInvalidHandle);
    if (std::find(m_queue.begin(), m_queue.end(), header) != m_queue.end())
        return MidiResult::failure(kMidiStillPlaying);
    header->flags = (header->flags | kMhdrInQueue) & ~kMhdrDone;
    header->bytesRecorded = 0;
    m_queue.push_back(header);
    return MidiResult::success();
}

MidiResult MidiInput::start()
{
    {
        std::lock_guard lock(m_queueMutex);
        if (m_closed)
            return MidiResult::failure(kMidiInvalidHandle);
        if (m_started)
            return MidiResult::success();
        m_started = true;
    }
    MidiResult result = startDevice();
    if (!result.ok()) {
        std::lock_guard lock(m_queueMutex);
        m_started = false;
    }
    return result;
}

MidiResult MidiInput::reset()
{
    std::deque<MidiHeader*> returned;
    {
        std::lock_guard delivery(m_deliveryMutex);
        std::lock_guard lock(m_queueMutex);
        m_started = false;
        returned.swap(m_queue);
    }
    for (MidiHeader* header : returned) {
        header->bytesRecorded = 0;
        header->flags = (header->flags & ~kMhdrInQueue) | kMhdrDone;
        m_callback(this, kMimLongData, m_instance, header);
    }
    return MidiResult::success();
}

MidiResult MidiInput::close()
{
    {
        std::lock_guard lock(m_queueMutex);
        if (m_closed)
            return MidiResult::failure(kMidiInvalidHandle);
        if (!m_queue.empty())
            return MidiResult::failure(kMidiStillPlaying);
        m_started = false;
        m_closed = true;
    }
    stopDevice();
    return MidiResult::success();
}

std::size_t MidiInput::queuedBuffers() const
{
    std::lock_guard lock(m_queueMutex);
    return m_queue.size();
}

MidiHeader* MidiInput::takeQueuedBuffer()
{
    std::lock_guard lock(m_queueMutex);
    if (!m_started || m_queue.empty())
        return nullptr;
    MidiHeader* header = m_queue.front();
    m_queue.pop_front();
    return header;
}

void MidiInput::deliverSysEx(const std::uint8_t* message, std::size_t length)
{
    std::lock_guard delivery(m_deliveryMutex);
    std::size_t offset = 0;
    while (offset < length) {
        MidiHeader* header = takeQueuedBuffer();
        if (header == nullptr)
            return;  // nobody is listening: the rest of the message is lost, as on the wire
        const std::size_t piece = std::min<std::size_t>(header->bufferLength, length - offset);
        std::memcpy(header->data, message + offset, piece);
        header->bytesRecorded = static_cast<std::uint32_t>(piece);
        header->flags = (header->flags & ~kMhdrInQueue) | kMhdrDone;
        offset += piece;
        m_callback(this, kMimLongData, m_instance, header);
    }
}

MidiResult MidiInput::deviceFailure() const
{
    std::lock_guard lock(m_queueMutex);
    return m_deviceFailure;
}

void MidiInput::reportDeviceFailure(MidiResult failure)
{
    std::lock_guard lock(m_queueMutex);
    m_deviceFailure = std::move(failure);
}

}  // namespace platform
