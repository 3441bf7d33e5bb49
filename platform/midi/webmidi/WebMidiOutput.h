#pragma once
#include <chrono>
#include <string>

#include "MidiOutput.h"

namespace platform {

//! A Web MIDI output. MIDIOutput.send() returns before the bytes leave and
//! tells nothing when they have: a message handed over while the one before
//! is still in the system's buffers may overflow them (the ALSA sequencer's
//! MIDI ports hold 4 KiB by default and drop what does not fit, as do some
//! USB MIDI interfaces). So the output paces itself: a message counts as on
//! its way for as long as its bytes take at the page's rate, and the next
//! one leaves only after that.
class WebMidiOutput : public MidiOutput {
public:
    using Clock = std::chrono::steady_clock;

    //! Output port `id`, listed as `name`, opened already.
    WebMidiOutput(std::string id, std::string name);
    ~WebMidiOutput() override;

    MidiResult sendSysEx(const std::uint8_t* message, std::size_t length) override;
    MidiResult startSysEx(const std::uint8_t* message, std::size_t length) override;
    MidiResult sendState() override;
    void waitSent(std::chrono::microseconds timeout) override;
    MidiResult close() override;
    std::size_t longestMessage() const override { return kLongestWholeMessage; }

    //! Chromium and Firefox on Linux and ChromeOS write each message at once
    //! into the ALSA sequencer's MIDI driver, whose buffer holds 4,096 bytes
    //! by default and drops what does not fit (Firefox always lost the last 6
    //! bytes of a 4,101-byte message, Chromium now and then); a few short
    //! messages sent just before may still be in it.
    static constexpr std::size_t kLongestWholeMessage = 4096 - 64;

private:
    //! kMidiNoDevice, naming the port, once it is no longer connected.
    MidiResult presence() const;

    std::string m_id;
    std::string m_name;
    bool m_open = true;
    Clock::time_point m_sentAt{};  // when the last message has left at the page's rate
};

}  // namespace platform
