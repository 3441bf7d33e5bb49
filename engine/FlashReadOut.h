#pragma once
// Reading the instrument's flash out, with the port pair's own read
// operation: what a backup before an update must hold, and the read itself.
#include <cstdint>
#include <functional>
#include <list>
#include <string>

#include "FirmwareUpdate.h"

class CMidiPort;

namespace FlashReadOut {

//! The words an update of an image may erase or overwrite, as far as the
//! block list tells: from word 0 to the end of the last listed block the
//! image reaches.
struct BackupSpan {
    std::uint64_t words = 0;     //!< words from word 0 on
    bool blockEndKnown = true;   //!< false: the list gives no end for the last block reached,
                                 //!< so the span stops at the image's end
    std::uint32_t lastBlock = 0; //!< start of that block, when blockEndKnown is false
};

//! The backup span for an image of `imageWords` words and the block list `blocks`.
BackupSpan BackupSpanFor(const std::list<std::uint32_t>& blocks, std::uint64_t imageWords);

//! Receives each piece read; returns false when it cannot keep it.
using Sink = std::function<bool(const std::uint8_t* bytes, std::size_t count)>;

//! Reads `words` words from word `address` on, 1024 at a time, and hands
//! them to `sink` (2 bytes a word, low byte first). Progress goes to
//! `observer` under `caption`. A read failure ("Wait Time Out!", "Read Data
//! Unexpected!", a send error) is shown there and sets `failure` to Link; a
//! sink that fails sets it to DataFile and is the caller's to report.
bool ReadFlash(CMidiPort& port, std::uint32_t address, std::uint64_t words, const std::string& caption,
               UpdateObserver& observer, const Sink& sink, FirmwareUpdate::Failure& failure);

}  // namespace FlashReadOut
