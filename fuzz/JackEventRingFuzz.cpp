// The JACK event ring's framing under any sequence of pushes and takes of
// any size against a plain queue: events come out whole, in order, with their
// own bytes, and the ring refuses an event exactly when the room it promised
// would be exceeded.
#include <deque>
#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzSupport.h"
#include "JackEventRing.h"

namespace {

constexpr std::size_t kLengthBytes = sizeof(std::uint32_t);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::size_t room = input.ConsumeIntegralInRange<std::size_t>(1, 2048);
    platform::JackEventRing ring(room);
    Require(ring.valid(), "no ring");

    std::deque<std::vector<std::uint8_t>> expected;
    std::size_t used = 0;  // record bytes in the ring
    while (input.remaining_bytes() > 0) {
        if (input.ConsumeBool()) {
            const auto event = input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange<std::size_t>(0, 600));
            const bool fits = used + kLengthBytes + event.size() <= room;
            const bool pushed = ring.push(event.data(), event.size());
            Require(pushed == fits, "the ring took more or less than the room it promised");
            if (pushed) {
                expected.push_back(event);
                used += kLengthBytes + event.size();
            }
            continue;
        }
        const auto length = ring.nextLength();
        Require(length.has_value() == !expected.empty(), "the ring and the queue disagree on emptiness");
        if (!length)
            continue;
        Require(*length == expected.front().size(), "length of the next event");
        const bool keep = input.ConsumeBool();  // or drop it unread
        std::vector<std::uint8_t> event(*length);
        ring.take(keep ? event.data() : nullptr);
        Require(!keep || event == expected.front(), "bytes of an event");
        expected.pop_front();
        used -= kLengthBytes + *length;
    }
    return 0;
}
