// The JACK receiving path under any interleaving of events (some lost to a
// small ring), assembly rounds and discards, against the plain stream it
// stands for: the accepted events fed to an assembler that is reset where
// events were lost. Both must give the same messages.
#include <deque>
#include <fuzzer/FuzzedDataProvider.h>
#include <optional>

#include "FuzzSupport.h"
#include "JackMidiReceiver.h"
#include "MidiBytes.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The plain stream: accepted events in order, with a gap (nullopt) where events were lost.
class PlainStream {
public:
    void accept(const Bytes& event) { m_pending.push_back(event); }
    void lose() { m_pending.push_back(std::nullopt); }
    void assemble(std::vector<Bytes>& messages)
    {
        const auto collect = [&](const std::uint8_t* m, std::size_t n) { messages.emplace_back(m, m + n); };
        for (const auto& event : m_pending) {
            if (event)
                m_assembler.feed(event->data(), event->size(), collect);
            else
                m_assembler.reset();
        }
        m_pending.clear();
    }
    void discard()
    {
        m_pending.clear();
        m_assembler.reset();
    }

private:
    std::deque<std::optional<Bytes>> m_pending;
    platform::SysExAssembler m_assembler;
};

bool carriesBytes(const Bytes& event)
{
    return !event.empty() && !(event.size() == 1 && platform::IsRealTimeByte(event[0]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    platform::JackMidiReceiver receiver(input.ConsumeIntegralInRange<std::size_t>(8, 512));
    PlainStream plain;
    std::vector<Bytes> received;
    std::vector<Bytes> expected;
    const auto collect = [&](const std::uint8_t* m, std::size_t n) { received.emplace_back(m, m + n); };
    std::size_t lost = 0;

    while (input.remaining_bytes() > 0) {
        switch (input.ConsumeIntegralInRange<int>(0, 5)) {
        case 0:
            receiver.assemble(collect);
            plain.assemble(expected);
            break;
        case 1:
            receiver.discard();
            plain.discard();
            break;
        default: {
            const Bytes event = input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange<std::size_t>(0, 40));
            if (receiver.queue(event.data(), event.size())) {
                plain.accept(event);
            } else if (carriesBytes(event)) {
                plain.lose();
                ++lost;
            }
        }
        }
    }
    receiver.assemble(collect);
    plain.assemble(expected);
    Require(received == expected, "messages differ from the plain stream's");
    Require(receiver.overruns() == lost, "overruns");
    return 0;
}
