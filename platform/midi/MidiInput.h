#pragma once
#include <deque>
#include <mutex>

#include "MidiTypes.h"

namespace platform {

//! An open MIDI input port that receives System Exclusive messages into
//! caller-owned buffers.
//!
//! The caller prepares a buffer header, queues it with addBuffer and starts
//! the input. Each complete SysEx message the backend receives fills the
//! buffer at the head of the queue and is handed to the callback as
//! kMimLongData, on the backend's thread. A message longer than the buffer
//! arrives as several full buffers, one callback each, as long as buffers are
//! queued; bytes that find no queued buffer are dropped.
//!
//! Backends derive from this class, implement startDevice/stopDevice and call
//! deliverSysEx with every complete message. A backend's destructor must call
//! stopDevice (or close) so that no delivery outlives the object.
class MidiInput {
public:
    MidiInput(MidiInCallback callback, void* instance);
    virtual ~MidiInput() = default;
    MidiInput(const MidiInput&) = delete;
    MidiInput& operator=(const MidiInput&) = delete;

    MidiResult prepareHeader(MidiHeader* header);
    //! Fails with kMidiStillPlaying while the buffer is queued.
    MidiResult unprepareHeader(MidiHeader* header);
    MidiResult addBuffer(MidiHeader* header);
    MidiResult start();
    //! Stops input and hands every queued buffer back through the callback
    //! (kMimLongData, bytesRecorded 0). When it returns no delivery is running.
    MidiResult reset();
    //! Fails with kMidiStillPlaying while buffers are queued; afterwards no
    //! callback runs any more.
    MidiResult close();

    //! Number of queued buffers (for tests and diagnostics).
    std::size_t queuedBuffers() const;
    //! Why the device stopped delivering for good (e.g. it was unplugged);
    //! success while it works.
    MidiResult deviceFailure() const;

protected:
    //! Called by the backend with one complete SysEx message (F0 ... F7).
    void deliverSysEx(const std::uint8_t* message, std::size_t length);
    //! Called by the backend when its device has failed for good.
    void reportDeviceFailure(MidiResult failure);

    //! Begins receiving; deliverSysEx may be called from now on.
    virtual MidiResult startDevice() = 0;
    //! Ends receiving; when it returns deliverSysEx is not running and will
    //! not be called again until the next startDevice.
    virtual void stopDevice() = 0;

private:
    MidiHeader* takeQueuedBuffer();

    MidiInCallback m_callback;
    void* m_instance;
    std::mutex m_deliveryMutex;     // held for a whole delivery, so reset can wait for it
    mutable std::mutex m_queueMutex;
    std::deque<MidiHeader*> m_queue;
    bool m_started = false;
    bool m_closed = false;
    MidiResult m_deviceFailure;
};

}  // namespace platform
