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

//! Reads the image back from the first listed block on and compares it with
//! the file. Every failure is shown through `observer` and returns false.
bool VerifyImage(CMidiPort& port, const std::string& dataPath, const std::list<std::uint32_t>& blocks,
                 UpdateObserver& observer);

}  // namespace FirmwareUpdate
