#pragma once
// WinMM's numbers and texts as the MIDI layer reports them.
#include <string>

#include "MidiTypes.h"

namespace platform {

class WinMmApi;

//! The MIDI layer's status for a WinMM result code.
int WinMmStatus(unsigned result);
//! WinMM's own text for `result` (midiOutGetErrorText or midiInGetErrorText through `api`), in UTF-8.
std::string WinMmErrorText(WinMmApi& api, unsigned result, bool output);
//! A failure of the device listed as `name`: WinMM's status and text, the device named.
MidiResult WinMmFailure(WinMmApi& api, const std::string& name, unsigned result, bool output);
//! A device's product name as WinMM gives it (a fixed array of UTF-16 characters), in UTF-8.
std::string WinMmProductName(const wchar_t* name, std::size_t capacity);

}  // namespace platform
