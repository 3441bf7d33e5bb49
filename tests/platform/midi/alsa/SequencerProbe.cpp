// Measures what the ALSA sequencer delivers of one long System Exclusive
// message: sends it through the sequencer to a MIDI client (a USB MIDI
// device) and counts the bytes that arrive at the other end of the cable, a
// raw MIDI port read continuously through an enlarged buffer.
//   sequencer_probe <receiving raw MIDI port> <sequencer client name> [bytes]
// Prints "sent N bytes, M arrived" and exits 0 once it has measured.
#include <alsa/asoundlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "AlsaRawMidiIo.h"

namespace {

constexpr std::size_t kReceiveBuffer = 64 * 1024;
// The message is over once nothing more has come for this long.
constexpr auto kQuietEnd = std::chrono::seconds(2);
// A short message first: the first event after the device is opened may be lost.
constexpr std::size_t kWarmUpBytes = 16;

int fail(const std::string& what)
{
    std::fprintf(stderr, "sequencer_probe: %s\n", what.c_str());
    return 1;
}

int clientNamed(snd_seq_t* seq, const char* name)
{
    snd_seq_client_info_t* info = nullptr;
    snd_seq_client_info_alloca(&info);
    snd_seq_client_info_set_client(info, -1);
    while (snd_seq_query_next_client(seq, info) >= 0)
        if (std::strcmp(snd_seq_client_info_get_name(info), name) == 0)
            return snd_seq_client_info_get_client(info);
    return -1;
}

int sendSysEx(snd_seq_t* seq, int port, std::size_t length)
{
    std::vector<unsigned char> message(length, 0x11);
    message.front() = 0xF0;
    message.back() = 0xF7;
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    snd_seq_ev_set_source(&event, port);
    snd_seq_ev_set_subs(&event);
    snd_seq_ev_set_direct(&event);
    snd_seq_ev_set_sysex(&event, message.size(), message.data());
    return snd_seq_event_output_direct(seq, &event);
}

std::size_t countArriving(snd_rawmidi_t* input)
{
    std::size_t total = 0;
    unsigned char chunk[1024];
    auto last = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - last < kQuietEnd) {
        const ssize_t count = snd_rawmidi_read(input, chunk, sizeof chunk);
        if (count > 0) {
            total += static_cast<std::size_t>(count);
            last = std::chrono::steady_clock::now();
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    return total;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return fail("usage: sequencer_probe <raw MIDI port> <sequencer client name> [bytes]");
    const std::size_t length = argc > 3 ? std::stoul(argv[3]) : 4101;
    snd_rawmidi_t* input = nullptr;
    if (snd_rawmidi_open(&input, nullptr, argv[1], SND_RAWMIDI_NONBLOCK) < 0 ||
        platform::SetRawMidiBufferSize(input, kReceiveBuffer) < 0)
        return fail(std::string("cannot open ") + argv[1]);
    snd_seq_t* seq = nullptr;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0 || snd_seq_set_output_buffer_size(seq, kReceiveBuffer) < 0)
        return fail("cannot open the sequencer");
    const int port = snd_seq_create_simple_port(seq, "probe", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                                SND_SEQ_PORT_TYPE_APPLICATION);
    const int client = clientNamed(seq, argv[2]);
    if (port < 0 || client < 0 || snd_seq_connect_to(seq, port, client, 0) < 0)
        return fail(std::string("no sequencer client ") + argv[2]);

    if (sendSysEx(seq, port, kWarmUpBytes) < 0)
        return fail("the sequencer refused the first message");
    countArriving(input);
    if (sendSysEx(seq, port, length) < 0)
        return fail("the sequencer refused the long message");
    std::printf("sent %zu bytes, %zu arrived\n", length, countArriving(input));
    snd_seq_close(seq);
    snd_rawmidi_close(input);
    return 0;
}
