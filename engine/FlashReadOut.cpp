#include "FlashReadOut.h"

#include <algorithm>
#include <array>
#include <optional>

#include "CMidiPort.h"

namespace FlashReadOut {

BackupSpan BackupSpanFor(const std::list<std::uint32_t>& blocks, std::uint64_t imageWords)
{
    BackupSpan span{imageWords, true, 0};
    // The block holding the image's last word, and the listed start after it.
    std::optional<std::uint32_t> last, next;
    for (std::uint32_t start : blocks) {
        if (start < imageWords && (!last || start > *last))
            last = start;
    }
    if (!last)
        return span;  // no listed block is reached: only the image's own words change
    for (std::uint32_t start : blocks) {
        if (start > *last && (!next || start < *next))
            next = start;
    }
    if (next)
        span.words = std::max<std::uint64_t>(*next, imageWords);
    else
        span = {imageWords, false, *last};
    return span;
}

bool ReadFlash(CMidiPort& port, std::uint32_t address, std::uint64_t words, const std::string& caption,
               UpdateObserver& observer, const Sink& sink, FirmwareUpdate::Failure& failure)
{
    constexpr unsigned kChunk = FirmwareUpdate::kChunkWords;
    std::array<std::uint8_t, kChunk * 2> buffer{};
    observer.SetRange(0, static_cast<int>(words / kChunk));
    observer.SetCaption(caption);
    observer.SetPos(0);
    failure = FirmwareUpdate::Failure::None;
    int step = 0;
    try {
        for (std::uint64_t done = 0; done < words;) {
            const auto count = static_cast<unsigned>(std::min<std::uint64_t>(kChunk, words - done));
            port.ReadWords(buffer.data(), static_cast<std::uint32_t>(address + done), count,
                           FirmwareUpdate::kReplyPolls);
            if (!sink(buffer.data(), count * 2u)) {
                failure = FirmwareUpdate::Failure::DataFile;
                return false;
            }
            done += count;
            observer.SetPos(++step);
            observer.Pump();
        }
    } catch (const CMidiError& error) {
        observer.ShowMessage(error.what());
        failure = FirmwareUpdate::Failure::Link;
        return false;
    }
    return true;
}

}  // namespace FlashReadOut
