#include "WinMmText.h"

#include <windows.h>

#include <mmsystem.h>

#include "WideText.h"
#include "WinMmApi.h"

namespace platform {

int WinMmStatus(unsigned result)
{
    // The MIDI layer's numbers are WinMM's own; only success is spelled out.
    return result == MMSYSERR_NOERROR ? kMidiOk : static_cast<int>(result);
}

std::string WinMmErrorText(WinMmApi& api, unsigned result, bool output)
{
    wchar_t text[MAXERRORLENGTH] = {};
    const MMRESULT found = output ? api.midiOutGetErrorTextW(result, text, MAXERRORLENGTH)
                                  : api.midiInGetErrorTextW(result, text, MAXERRORLENGTH);
    if (found != MMSYSERR_NOERROR)
        return "WinMM error " + std::to_string(result);
    return Utf8FromWide(text);
}

MidiResult WinMmFailure(WinMmApi& api, const std::string& name, unsigned result, bool output)
{
    return MidiResult::failure(WinMmStatus(result), "\"" + name + "\": " + WinMmErrorText(api, result, output));
}

std::string WinMmProductName(const wchar_t* name, std::size_t capacity)
{
    std::size_t length = 0;
    while (length < capacity && name[length] != L'\0')
        ++length;
    return Utf8FromWide(std::wstring(name, length));
}

}  // namespace platform
