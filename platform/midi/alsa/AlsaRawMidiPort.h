#pragma once
#include <string>
#include <vector>

#include "MidiTypes.h"

namespace platform {

//! One hardware raw MIDI subdevice in one direction, as found on the machine.
struct AlsaRawMidiPort {
    int card = 0;
    int device = 0;
    int subdevice = 0;
    std::string cardId;         //!< the card's unique id, e.g. "Instrument"; stays while the card is present
    std::string cardName;       //!< e.g. "UM-ONE"
    std::string subdeviceName;  //!< e.g. "UM-ONE MIDI 1"; may be empty

    //! The ALSA device string that opens exactly this subdevice, e.g. "hw:1,0,0".
    std::string hardwareId() const;
    //! What identifies this port while cards come and go, e.g.
    //! "Instrument,0,0 USB MIDI Instrument MIDI 1": card id, device, subdevice and name.
    std::string identity() const;
};

//! The names a user sees for `ports`, in the same order: "card: subdevice".
//! Ports that would share a name get their hardware id appended so each
//! entry can be told apart (and picked by name).
std::vector<std::string> AlsaRawMidiPortNames(const std::vector<AlsaRawMidiPort>& ports);

//! Maps a negative ALSA error code to the MIDI layer's status code.
int AlsaErrorToMidiStatus(int alsaError);

}  // namespace platform
