#include "FlashImageFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "FileSystem.h"

bool SaveBytes(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error)
{
    std::ofstream file(platform::SystemFilePath(path), std::ios::binary | std::ios::trunc);
    if (file)
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (file)
        file.close();
    if (!file) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool SaveFlashImage(const std::string& path, const std::vector<std::uint16_t>& flash, std::string& error)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(flash.size() * 2);
    for (std::uint16_t word : flash) {
        bytes.push_back(static_cast<std::uint8_t>(word & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    return SaveBytes(path, bytes, error);
}

bool LoadFlashImage(const std::string& path, std::vector<std::uint16_t>& words, std::string& error)
{
    std::ifstream file(platform::SystemFilePath(path), std::ios::binary);
    if (!file) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad()) {
        error = "cannot read " + path;
        return false;
    }
    words.assign((bytes.size() + 1) / 2, 0);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        words[i / 2] |= static_cast<std::uint16_t>(bytes[i] << ((i % 2) * 8));
    return true;
}

std::string FormatInstrumentSummary(const platform::SimulatedInstrument::Statistics& statistics)
{
    return "messages " + std::to_string(statistics.messagesReceived) + " (malformed " +
           std::to_string(statistics.malformed) + "), sectors erased " + std::to_string(statistics.sectorsErased) +
           ", words written " + std::to_string(statistics.wordsWritten) + ", read replies " +
           std::to_string(statistics.repliesSent) + ", end commands " + std::to_string(statistics.endCommands());
}
