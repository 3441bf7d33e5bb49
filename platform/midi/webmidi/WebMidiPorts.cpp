#include "WebMidiPorts.h"

#include <cstdlib>

#include "WebMidiInput.h"

// In WebMidi.js. Texts come back in memory of the C library's, which the caller frees.
extern "C" {
int vantrel_webmidi_count(int kind);
char* vantrel_webmidi_port(int kind, int index, int field);
int vantrel_webmidi_connected(int kind, const char* id);
char* vantrel_webmidi_open(int kind, const char* id);
void vantrel_webmidi_close(int kind, const char* id);
void vantrel_webmidi_listen(const char* id, platform::WebMidiInput* input);
void vantrel_webmidi_send(const char* id, const std::uint8_t* bytes, std::size_t length, double delayMs);
unsigned vantrel_webmidi_rate();
}

namespace platform::WebMidiPorts {

namespace {

enum Field { kId = 0, kName = 1 };

std::string Taken(char* text)
{
    std::string value = text != nullptr ? text : "";
    std::free(text);
    return value;
}

int Number(Kind kind) { return static_cast<int>(kind); }

}  // namespace

std::vector<Port> List(Kind kind)
{
    std::vector<Port> ports;
    const int count = vantrel_webmidi_count(Number(kind));
    for (int i = 0; i < count; ++i)
        ports.push_back({Taken(vantrel_webmidi_port(Number(kind), i, kId)),
                         Taken(vantrel_webmidi_port(Number(kind), i, kName))});
    return ports;
}

bool Connected(Kind kind, const std::string& id) { return vantrel_webmidi_connected(Number(kind), id.c_str()) != 0; }

std::string Open(Kind kind, const std::string& id) { return Taken(vantrel_webmidi_open(Number(kind), id.c_str())); }

void Close(Kind kind, const std::string& id) { vantrel_webmidi_close(Number(kind), id.c_str()); }

void Listen(const std::string& id, WebMidiInput* input) { vantrel_webmidi_listen(id.c_str(), input); }

void Send(const std::string& id, const std::uint8_t* bytes, std::size_t length, double delayMs)
{
    vantrel_webmidi_send(id.c_str(), bytes, length, delayMs);
}

std::uint32_t BytesPerSecond() { return vantrel_webmidi_rate(); }

}  // namespace platform::WebMidiPorts
