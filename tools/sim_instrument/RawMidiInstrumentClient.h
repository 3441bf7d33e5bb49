#pragma once
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "InstrumentCore.h"
#include "MidiTypes.h"

typedef struct _snd_rawmidi snd_rawmidi_t;

//! A simulated instrument on an ALSA raw MIDI port (e.g. the device side of
//! a USB MIDI gadget, or one end of a loopback cable). One worker thread
//! reads continuously into an enlarged kernel buffer, runs the model and
//! writes the replies. When the device goes away it waits for it to come
//! back and serves again, flash kept.
class RawMidiInstrumentClient {
public:
    //! Receives one line about the device going away or coming back.
    using NoticeHandler = std::function<void(const std::string& line)>;

    RawMidiInstrumentClient(platform::SimulatedInstrument::Config config, NoticeHandler notice = {});
    ~RawMidiInstrumentClient();
    RawMidiInstrumentClient(const RawMidiInstrumentClient&) = delete;
    RawMidiInstrumentClient& operator=(const RawMidiInstrumentClient&) = delete;

    //! Opens `device` (an ALSA raw MIDI name such as "hw:0,0") in both directions and starts serving.
    platform::MidiResult open(const std::string& device);
    //! Stops the worker and closes the device. Safe to call twice.
    void close();
    //! True while the device is open.
    bool connected() const { return m_connected; }

    //! Stores `words` from word 0 on, bypassing the flash rules.
    void preload(const std::vector<std::uint16_t>& words) { m_core.preload(words); }
    //! A copy of the flash contents, one entry per word.
    std::vector<std::uint16_t> flash() const { return m_core.flash(); }
    //! Keeps every byte received from now on (received()).
    void keepReceived() { m_core.keepReceived(); }
    //! The bytes received since keepReceived(), as they came.
    std::vector<std::uint8_t> received() const { return m_core.received(); }
    //! What the instrument received and did so far.
    platform::SimulatedInstrument::Statistics statistics() const { return m_core.statistics(); }

    //! Kernel input buffer: room for several of the longest (4101-byte) messages.
    static constexpr std::size_t kInputBufferBytes = 64 * 1024;
    //! Longest wait for input before the worker looks at its stop request.
    static constexpr int kWakeIntervalMs = 50;
    //! Time between attempts to open a device that has gone away.
    static constexpr int kReopenIntervalMs = 100;
    //! A reply nobody takes for this long is dropped, as on a cable nobody listens to.
    static constexpr int kStallTimeoutMs = 2000;

private:
    platform::MidiResult openDevice();
    void closeDevice();
    void workLoop();
    //! One round of waiting, reading and replying; false when the device failed.
    bool serve();
    bool readAvailable();
    bool sendDueReplies();

    InstrumentCore m_core;
    NoticeHandler m_notice;
    std::string m_device;
    snd_rawmidi_t* m_input = nullptr;
    snd_rawmidi_t* m_output = nullptr;
    std::atomic<bool> m_connected{false};
    std::atomic<bool> m_stopRequested{false};
    std::thread m_worker;
};
