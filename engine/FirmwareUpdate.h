#pragma once
// The steps of an update run that do not depend on a window: loading the
// product's flash block list, erasing and writing the image in chunks of 1024
// words, and reading it back for comparison. The main window and the headless
// updater both run exactly these.
#include <cstdint>
#include <list>
#include <string>

#include "UpdateObserver.h"

class CMidiPort;

namespace FirmwareUpdate {

//! Words per chunk: one chunk travels as one 4101-byte SysEx message.
constexpr unsigned kChunkWords = 1024;
//! Reads of a block's first word after its erase before giving up.
constexpr int kErasePollLimit = 80;
//! Fixed wait after an erase sequence before its first poll, and between polls.
constexpr int kEraseSettleMs = 100;
constexpr int kErasePollIntervalMs = 10;
//! Polls of 1 ms granted to every reply of the read-back.
constexpr unsigned kReplyPolls = 100;

//! Shown, followed by the path, when the data file fails while being read
//! after a successful open (a removed medium, an I/O error, a file cut short).
constexpr const char* kDataReadErrorText = "Fail to read the data file\n";

//! Why the computer is kept awake during an update, as a person reads it in
//! the system's list of sleep locks.
constexpr const char* kStayAwakeReason = "Vantrel is writing firmware into the instrument";

//! What made a step return false, for callers that react to the kind of failure.
enum class Failure {
    None,
    DataFile,  //!< the data file could not be opened or read
    Erase,     //!< a block did not read as erased after its polls
    Link,      //!< a MIDI send failed, a reply was missing or malformed
    Verify,    //!< the read-back differs from the file
};

//! Reads a product's .cfg file into `blocks` (emptied first). Failures are
//! reported through `observer` ("Fail to get flash block info", or the open
//! error's cause text followed by the path) and return false.
bool LoadFlashBlocks(const std::string& cfgPath, std::list<std::uint32_t>& blocks, UpdateObserver& observer);

//! True if some entry of `blocks` equals `address` exactly.
bool IsBlockStart(const std::list<std::uint32_t>& blocks, std::uint32_t address);

//! Erases each listed block just before the chunk that starts at it and
//! writes the image at `dataPath` from word 0 on. Every failure is shown
//! through `observer` and returns false.
bool WriteImage(CMidiPort& port, const std::string& dataPath, const std::list<std::uint32_t>& blocks,
                UpdateObserver& observer);
//! As above; `failure` tells what went wrong (None on success).
bool WriteImage(CMidiPort& port, const std::string& dataPath, const std::list<std::uint32_t>& blocks,
                UpdateObserver& observer, Failure& failure);

//! Reads the image back from the first listed block on and compares it with
//! the file. Every failure is shown through `observer` and returns false.
//! With no listed block the whole image is compared from word 0; a first
//! block at or beyond the image's end leaves nothing to compare.
bool VerifyImage(CMidiPort& port, const std::string& dataPath, const std::list<std::uint32_t>& blocks,
                 UpdateObserver& observer);
//! As above; `failure` tells what went wrong (None on success), and a
//! difference found leaves the address of its first word in `firstDifference`.
bool VerifyImage(CMidiPort& port, const std::string& dataPath, const std::list<std::uint32_t>& blocks,
                 UpdateObserver& observer, Failure& failure, std::uint32_t* firstDifference = nullptr);

//! Words in an image of `fileBytes` bytes; an odd last byte counts as a word with high byte 0x00.
constexpr std::uint64_t ImageWords(std::uint64_t fileBytes) { return (fileBytes + 1) / 2; }
//! Word where the read-back begins: the first listed block, or 0 with no list.
std::uint32_t VerifyStart(const std::list<std::uint32_t>& blocks);
//! Words the read-back compares: from `start` to the image's end, 0 when `start` lies beyond it.
std::uint64_t VerifyWordCount(std::uint64_t imageWords, std::uint32_t start);

}  // namespace FirmwareUpdate
