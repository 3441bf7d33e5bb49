#pragma once
#include <atomic>
#include <string>
#include <thread>

#include "MidiInput.h"
#include "SysExAssembler.h"

typedef struct _snd_rawmidi snd_rawmidi_t;

namespace platform {

//! An open ALSA raw MIDI input subdevice. A reader thread collects the byte
//! stream into System Exclusive messages and delivers each complete one.
class AlsaRawMidiInput : public MidiInput {
public:
    //! Takes ownership of `handle`, opened non-blocking; `name` goes into failure texts.
    AlsaRawMidiInput(MidiInCallback callback, void* instance, snd_rawmidi_t* handle, std::string name);
    ~AlsaRawMidiInput() override;

    //! How long the reader waits for bytes before it looks at the stop request.
    static constexpr int kReadPollMs = 50;

protected:
    MidiResult startDevice() override;
    void stopDevice() override;

private:
    void readLoop();
    void fail(int err);

    snd_rawmidi_t* m_handle = nullptr;
    std::string m_name;
    SysExAssembler m_assembler;
    std::thread m_reader;
    std::atomic<bool> m_stopRequested{false};
};

}  // namespace platform
