#include "FirmwareUpdate.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <vector>

#include "CFile.h"
#include "CFileException.h"
#include "CMidiPort.h"
#include "CStdioFile.h"
#include "FileHelpers.h"
#include "ParseValue.h"

namespace FirmwareUpdate {
namespace {

constexpr unsigned kChunkBytes = kChunkWords * 2;
constexpr std::uint16_t kErasedWord = 0xFFFF;
// CFile::Read takes an unsigned count; the whole-file read goes in pieces of this size.
constexpr std::uint64_t kWholeFileReadPiece = 1u << 30;
// Word addresses are 32 bits wide: a larger image would wrap round onto word 0.
constexpr std::uint64_t kMaxImageBytes = std::uint64_t{1} << 33;

constexpr const char* kBadBlockLineText = "Fail to get flash block info";
constexpr const char* kEraseFailedText = "Fail to erase flash, please try again !";
constexpr const char* kVerifyFailedText = "Fail to verify, please update again";
constexpr const char* kUpdatingCaption = "Updating...";
constexpr const char* kVerifyingCaption = "Verifing...";

// The progress bar counts whole chunks; the last, shorter chunk only moves
// the position past the upper bound, where the bar clamps it.
int chunkRange(std::uint64_t words) { return static_cast<int>(words / kChunkWords); }

void reportReadError(const std::string& path, UpdateObserver& observer)
{
    observer.ShowMessage(std::string(kDataReadErrorText) + path);
}

// Erases the block at `address` and polls its first word until the chip
// reports it erased. False after kErasePollLimit reads without 0xFFFF.
bool eraseAndWait(CMidiPort& port, std::uint32_t address, UpdateObserver& observer)
{
    port.EraseBlock(address);
    observer.Wait(kEraseSettleMs);
    for (int tries = 0;;) {
        if (port.ReadWord(address) == kErasedWord)
            return true;
        observer.Wait(kErasePollIntervalMs);
        if (++tries == kErasePollLimit)
            return false;
        observer.Pump();
    }
}

// Reads the bytes of one chunk into the zero-filled `buffer`. Only the
// missing pad byte of an odd-length file may fall short; anything less, or a
// length other than at the start, means the file changed or failed under us.
bool readChunk(CFile& file, std::uint64_t fileBytes, std::uint32_t address, unsigned count,
               std::array<std::uint8_t, kChunkBytes>& buffer)
{
    buffer.fill(0x00);
    const std::uint64_t offset = std::uint64_t(address) * 2;
    const std::uint64_t expected = std::min<std::uint64_t>(count * 2u, fileBytes - std::min(fileBytes, offset));
    try {
        return file.Read(buffer.data(), count * 2u) >= expected && file.GetLength() == fileBytes;
    } catch (const CFileException&) {
        return false;
    }
}

bool writeChunks(CMidiPort& port, CFile& file, const std::string& path, std::uint64_t fileBytes,
                 const std::list<std::uint32_t>& blocks, UpdateObserver& observer, Failure& failure)
{
    std::array<std::uint8_t, kChunkBytes> buffer{};
    std::uint64_t remaining = ImageWords(fileBytes);
    std::uint32_t address = 0;
    int step = 0;
    try {
        while (remaining != 0) {
            const auto count = static_cast<unsigned>(std::min<std::uint64_t>(kChunkWords, remaining));
            if (IsBlockStart(blocks, address) && !eraseAndWait(port, address, observer)) {
                file.Close();
                observer.ShowMessage(kEraseFailedText);
                failure = Failure::Erase;
                return false;
            }
            if (!readChunk(file, fileBytes, address, count, buffer)) {
                file.Close();
                reportReadError(path, observer);
                failure = Failure::DataFile;
                return false;
            }
            port.WriteWords(buffer.data(), count, address);
            remaining -= count;
            observer.SetPos(++step);
            observer.Pump();
            address += count;
        }
    } catch (const CMidiError& error) {
        file.Close();
        observer.ShowMessage(error.what());
        failure = Failure::Link;
        return false;
    }
    return true;
}

// The whole file in memory, completed to an even length with 0x00.
bool readWholeFile(CFile& file, std::uint64_t fileBytes, std::vector<std::uint8_t>& image)
{
    try {
        image.assign(ImageWords(fileBytes) * 2, 0x00);
        std::uint64_t done = 0;
        while (done < fileBytes) {
            const auto piece = static_cast<unsigned>(std::min(kWholeFileReadPiece, fileBytes - done));
            const unsigned got = file.Read(image.data() + done, piece);
            if (got != piece)
                return false;
            done += got;
        }
        return true;
    } catch (const CFileException&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Offset of the first word in which two runs of `words` words differ.
unsigned firstDifferentWord(const std::uint8_t* a, const std::uint8_t* b, unsigned words)
{
    unsigned word = 0;
    while (word < words && a[2 * word] == b[2 * word] && a[2 * word + 1] == b[2 * word + 1])
        ++word;
    return word;
}

bool compareChunks(CMidiPort& port, const std::vector<std::uint8_t>& image, std::uint32_t start,
                   UpdateObserver& observer, Failure& failure, std::uint32_t* firstDifference)
{
    std::array<std::uint8_t, kChunkBytes> reply{};
    std::uint64_t remaining = VerifyWordCount(image.size() / 2, start);
    std::uint32_t address = start;
    int step = 0;
    try {
        while (remaining != 0) {
            const auto count = static_cast<unsigned>(std::min<std::uint64_t>(kChunkWords, remaining));
            // A full chunk is requested also for a shorter last one: the
            // instrument's updater answers in whole replies anyway.
            port.ReadWords(reply.data(), address, kChunkWords, kReplyPolls);
            const std::uint8_t* expected = image.data() + std::size_t(address) * 2;
            if (std::memcmp(reply.data(), expected, count * 2u) != 0) {
                if (firstDifference != nullptr)
                    *firstDifference = address + firstDifferentWord(reply.data(), expected, count);
                observer.ShowMessage(kVerifyFailedText);
                failure = Failure::Verify;
                return false;
            }
            remaining -= count;
            address += count;
            observer.SetPos(++step);
            observer.Pump();
        }
    } catch (const CMidiError& error) {
        observer.ShowMessage(error.what());
        failure = Failure::Link;
        return false;
    }
    return true;
}

// OpenWithReport's behaviour, with the cause text and path shown through the
// observer like every other message of the run.
bool openReported(CFile& file, const std::string& path, unsigned flags, UpdateObserver& observer)
{
    CFileException error(CFileException::none, -1);
    if (TryOpen(file, path, flags, error))
        return true;
    observer.ShowMessage(FileErrorText(error.m_cause) + path);
    return false;
}

bool openDataFile(CFile& file, const std::string& path, std::uint64_t& fileBytes, UpdateObserver& observer)
{
    if (!openReported(file, path, CFile::modeRead | CFile::typeBinary, observer))
        return false;
    try {
        fileBytes = file.GetLength();
    } catch (const CFileException&) {
        reportReadError(path, observer);
        return false;
    }
    if (fileBytes > kMaxImageBytes) {
        observer.ShowMessage(FileErrorText(CFileException::invalidFile) + path);
        return false;
    }
    return true;
}

}  // namespace

bool LoadFlashBlocks(const std::string& cfgPath, std::list<std::uint32_t>& blocks, UpdateObserver& observer)
{
    blocks.clear();
    CStdioFile file;
    if (!openReported(file, cfgPath, CFile::modeRead | CFile::typeText, observer))
        return false;
    try {
        for (std::string line; file.ReadString(line);) {
            std::uint32_t value = 0;
            if (!ParseHexValue(line.c_str(), value)) {
                observer.ShowMessage(kBadBlockLineText);
                return false;
            }
            blocks.push_back(value);
        }
    } catch (const CFileException&) {
        // A list cut short would leave blocks unerased; treat it as unreadable.
        observer.ShowMessage(kBadBlockLineText);
        return false;
    }
    return true;
}

bool IsBlockStart(const std::list<std::uint32_t>& blocks, std::uint32_t address)
{
    return std::find(blocks.begin(), blocks.end(), address) != blocks.end();
}

std::uint32_t VerifyStart(const std::list<std::uint32_t>& blocks) { return blocks.empty() ? 0 : blocks.front(); }

std::uint64_t VerifyWordCount(std::uint64_t imageWords, std::uint32_t start)
{
    return start < imageWords ? imageWords - start : 0;
}

bool WriteImage(CMidiPort& port, const std::string& dataPath, const std::list<std::uint32_t>& blocks,
                UpdateObserver& observer)
{
    Failure failure = Failure::None;
    return WriteImage(port, dataPath, blocks, observer, failure);
}

bool WriteImage(CMidiPort& port, const std::string& dataPath, const std::list<std::uint32_t>& blocks,
                UpdateObserver& observer, Failure& failure)
{
    failure = Failure::DataFile;
    CFile file;
    std::uint64_t fileBytes = 0;
    if (!openDataFile(file, dataPath, fileBytes, observer))
        return false;

    observer.SetRange(0, chunkRange(ImageWords(fileBytes)));
    observer.SetPos(0);
    observer.SetCaption(kUpdatingCaption);

    failure = Failure::None;
    if (!writeChunks(port, file, dataPath, fileBytes, blocks, observer, failure))
        return false;
    file.Close();
    return true;
}

bool VerifyImage(CMidiPort& port, const std::string& dataPath, const std::list<std::uint32_t>& blocks,
                 UpdateObserver& observer)
{
    Failure failure = Failure::None;
    return VerifyImage(port, dataPath, blocks, observer, failure);
}

bool VerifyImage(CMidiPort& port, const std::string& dataPath, const std::list<std::uint32_t>& blocks,
                 UpdateObserver& observer, Failure& failure, std::uint32_t* firstDifference)
{
    failure = Failure::DataFile;
    const std::uint32_t start = VerifyStart(blocks);
    std::vector<std::uint8_t> image;
    {
        CFile file;
        std::uint64_t fileBytes = 0;
        if (!openDataFile(file, dataPath, fileBytes, observer))
            return false;
        if (!readWholeFile(file, fileBytes, image)) {
            file.Close();
            reportReadError(dataPath, observer);
            return false;
        }
    }

    observer.SetRange(0, chunkRange(image.size() / 2));
    observer.SetCaption(kVerifyingCaption);
    observer.SetPos(0);

    failure = Failure::None;
    return compareChunks(port, image, start, observer, failure, firstDifference);
}

}  // namespace FirmwareUpdate
