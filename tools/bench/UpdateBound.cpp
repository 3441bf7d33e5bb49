#include "UpdateBound.h"

#include <algorithm>

#include "CMidiPort.h"
#include "FirmwareUpdate.h"
#include "SysExProtocol.h"

namespace bench {
namespace {

constexpr std::uint64_t kEraseWrites = std::tuple_size_v<SysEx::EraseSequence>;

std::uint64_t ReplyBytes(unsigned replyWords) { return SysEx::kNibblesPerWord * replyWords + 2; }

void AddMessages(UpdateTraffic& traffic, std::uint64_t count, std::uint64_t bytesEach)
{
    traffic.messagesSent += count;
    traffic.bytesSent += count * bytesEach;
}

// The address pair, then `requests` read requests each answered by one reply.
void AddRead(UpdateTraffic& traffic, std::uint64_t requests, unsigned replyWords)
{
    AddMessages(traffic, 2, SysEx::kValueCommandLength);  // the address pair
    AddMessages(traffic, requests, SysEx::kCommandLength);
    traffic.replies += requests;
    traffic.bytesReceived += requests * ReplyBytes(replyWords);
}

// Six single-word writes with their waits, the settling wait, one poll.
void AddErase(UpdateTraffic& traffic, unsigned replyWords)
{
    AddMessages(traffic, 3 * kEraseWrites, SysEx::kValueCommandLength);
    traffic.fixedWaitMs += kEraseWrites * CMidiPort::kEraseWriteDelayMs + FirmwareUpdate::kEraseSettleMs;
    AddRead(traffic, 1, replyWords);
    ++traffic.erases;
}

}  // namespace

UpdateTraffic CountTraffic(std::uint64_t imageBytes, const std::list<std::uint32_t>& blocks, unsigned replyWords,
                           bool verify)
{
    replyWords = std::max(replyWords, 1u);
    UpdateTraffic traffic;
    AddMessages(traffic, 4, SysEx::kCommandLength);  // 0x01, 0x0C, 0x03, 0x04
    traffic.fixedWaitMs += CMidiPort::kPulseDelayMs;

    const std::uint64_t words = FirmwareUpdate::ImageWords(imageBytes);
    for (std::uint64_t address = 0; address < words; address += FirmwareUpdate::kChunkWords) {
        if (FirmwareUpdate::IsBlockStart(blocks, static_cast<std::uint32_t>(address)))
            AddErase(traffic, replyWords);
        const std::uint64_t count = std::min<std::uint64_t>(FirmwareUpdate::kChunkWords, words - address);
        AddMessages(traffic, 2, SysEx::kValueCommandLength);  // the address pair
        AddMessages(traffic, 1, SysEx::WriteWordsLength(count));
    }

    if (verify) {
        const std::uint64_t compared = FirmwareUpdate::VerifyWordCount(words, FirmwareUpdate::VerifyStart(blocks));
        const std::uint64_t chunks = (compared + FirmwareUpdate::kChunkWords - 1) / FirmwareUpdate::kChunkWords;
        // Every chunk asks for a full 1024 words, also the last one.
        const std::uint64_t requests = (FirmwareUpdate::kChunkWords + replyWords - 1) / replyWords;
        for (std::uint64_t chunk = 0; chunk < chunks; ++chunk)
            AddRead(traffic, requests, replyWords);
    }

    AddMessages(traffic, 1, SysEx::kCommandLength);  // 0x02
    return traffic;
}

double LowerBoundSeconds(const UpdateTraffic& traffic, const LinkModel& link)
{
    double seconds = traffic.fixedWaitMs / 1000.0 + traffic.replies * (link.replyLatencyMs / 1000.0);
    if (link.secondsPerMessage > 0)
        return seconds + (traffic.messagesSent + traffic.replies) * link.secondsPerMessage;
    if (link.bytesPerSecond > 0)
        seconds += double(traffic.bytesSent + traffic.bytesReceived) / link.bytesPerSecond;
    return seconds;
}

}  // namespace bench
