#pragma once
// The browser's MIDI ports as the engine's worker knows them: a list the
// page keeps up to date from its MIDIAccess (statechange), and the calls that
// reach the page's ports. The page owns MIDIAccess, which only a window has;
// everything here goes through the worker's messages to it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class WebMidiInput;

namespace WebMidiPorts {

enum class Kind { Input = 0, Output = 1 };

struct Port {
    std::string id;    //!< MIDIPort.id: stays with the device while the page is open
    std::string name;  //!< MIDIPort.name
};

//! The ports of `kind` the browser lists and has not seen disconnected, in its order.
std::vector<Port> List(Kind kind);
//! True while port `id` is listed and connected.
bool Connected(Kind kind, const std::string& id);
//! Opens port `id` (MIDIPort.open(), waiting for the browser's answer); an
//! empty text when it opened, the browser's reason otherwise.
std::string Open(Kind kind, const std::string& id);
//! Closes port `id` (MIDIPort.close()).
void Close(Kind kind, const std::string& id);
//! Hands what input `id` receives to `input` from now on; nullptr stops it.
void Listen(const std::string& id, WebMidiInput* input);
//! Hands one message to output `id`, to leave `delayMs` from now.
void Send(const std::string& id, const std::uint8_t* bytes, std::size_t length, double delayMs);
//! The rate the page lets messages leave at, in bytes per second.
std::uint32_t BytesPerSecond();

}  // namespace WebMidiPorts
}  // namespace platform
