// A received message of any length and content handed to the input as a
// backend does, through the one 200-byte input buffer and the port pair's
// callback into the reply area, then read out as the port pair's read does:
// the stored length, the payload and the unpacked data bytes must follow the
// reply rules exactly, and the buffer must stay queued, whatever arrived.
#include <algorithm>
#include <cstring>
#include <fuzzer/FuzzedDataProvider.h>

#include "CMidiPort.h"
#include "FuzzSupport.h"
#include "MidiInput.h"
#include "MidiReply.h"
#include "SysExProtocol.h"

namespace {

// An input whose backend is this harness.
class DeliveringInput : public platform::MidiInput {
public:
    DeliveringInput() : MidiInput(&CMidiPort::MidiInProc, nullptr)
    {
        g_midiInHeader = platform::MidiHeader{g_midiInBuffer, kMidiInBufferSize, 0, 0};
        prepareHeader(&g_midiInHeader);
        addBuffer(&g_midiInHeader);
        start();
    }
    using MidiInput::deliverSysEx;

protected:
    platform::MidiResult startDevice() override { return platform::MidiResult::success(); }
    void stopDevice() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static DeliveringInput input;
    FuzzedDataProvider provider(data, size);
    const std::size_t wanted = provider.ConsumeIntegralInRange<std::size_t>(0, 2 * 1024);
    const std::vector<std::uint8_t> message = provider.ConsumeRemainingBytes<std::uint8_t>();

    ClearReplyReady();
    input.deliverSysEx(message.data(), message.size());
    Require(input.queuedBuffers() == 1, "the input buffer is not queued exactly once");
    Require(IsReplyReady() == !message.empty(), "a received message was not announced");
    if (message.empty())
        return 0;

    // The first buffer's worth is the reply; later pieces must not overwrite it.
    const std::size_t first = std::min(message.size(), kMidiInBufferSize);
    const std::size_t length = g_replyLength;
    Require(length == std::max<std::size_t>(first, 2), "stored length");
    const std::size_t payload = SysEx::PayloadLength(length);
    Require(payload == 0 || std::memcmp(g_replyData, message.data() + 1, payload) == 0, "stored payload");

    if (SysEx::IsReplyLengthValid(length)) {
        std::vector<std::uint8_t> out(wanted + 1, 0xA5);  // one guard byte past what was asked for
        const std::size_t stored = SysEx::DecodePayload(g_replyData, payload, out.data(), wanted);
        Require(stored == std::min(wanted, payload / 2), "unpacked byte count");
        for (std::size_t k = 0; k < stored; ++k)
            Require(out[k] == static_cast<std::uint8_t>(g_replyData[2 * k] | (g_replyData[2 * k + 1] << 4)),
                    "unpacked byte");
        Require(out[wanted] == 0xA5, "unpacked past the end of the buffer");
    }
    ClearReplyReady();
    return 0;
}
