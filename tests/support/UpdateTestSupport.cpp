#include "UpdateTestSupport.h"

#include "MidiSystem.h"

namespace {

std::uint16_t unpackValue(const std::vector<std::uint8_t>& message)
{
    return static_cast<std::uint16_t>(message[4] << 12 | message[5] << 8 | message[6] << 4 | message[7]);
}

}  // namespace

std::vector<std::uint8_t> PatternImage(std::size_t size)
{
    std::vector<std::uint8_t> image(size);
    for (std::size_t i = 0; i < size; ++i)
        image[i] = static_cast<std::uint8_t>((i * 7 + i / 256) & 0x7F);
    return image;
}

std::vector<std::uint16_t> ImageAsWords(const std::vector<std::uint8_t>& image)
{
    std::vector<std::uint16_t> words((image.size() + 1) / 2);
    for (std::size_t i = 0; i < image.size(); ++i)
        words[i / 2] = static_cast<std::uint16_t>(words[i / 2] | image[i] << (i % 2 ? 8 : 0));
    return words;
}

std::vector<std::uint32_t> SmallSectors(std::uint32_t flashWords)
{
    std::vector<std::uint32_t> starts;
    for (std::uint32_t start = 0; start < flashWords; start += 0x400)
        starts.push_back(start);
    return starts;
}

platform::SimulatedInstrument::Config TestInstrumentConfig()
{
    platform::SimulatedInstrument::Config config;
    config.flashWords = 0x8000;  // the unlock cycles at 0x5555 must land inside the chip
    config.sectorStarts = SmallSectors(config.flashWords);
    config.replyWords = 16;
    config.replyLatencyMs = 0;
    config.linkBytesPerSecond = 0;
    return config;
}

SimulatedConnection::SimulatedConnection(const platform::SimulatedInstrument::Config& config)
    : backend(std::make_shared<platform::SimulatedMidiBackend>(config))
{
    auto& system = platform::MidiSystem::instance();
    system.clearBackends();
    system.addBackend(backend);
    port.OpenPorts(0, 0);
    backend->clearRecordedMessages();
}

SimulatedConnection::~SimulatedConnection()
{
    try {
        port.ClosePorts();
    } catch (const CMidiError&) {
        // a test that made the device fail leaves the ports closed anyway
    }
    platform::MidiSystem::instance().clearBackends();
}

std::vector<std::uint16_t> SimulatedConnection::flash(std::uint32_t address, std::size_t count)
{
    return backend->withInstrument([&](platform::SimulatedInstrument& instrument) {
        std::vector<std::uint16_t> words;
        for (std::size_t i = 0; i < count; ++i)
            words.push_back(instrument.word(static_cast<std::uint32_t>(address + i)));
        return words;
    });
}

void SimulatedConnection::preload(std::uint32_t address, const std::vector<std::uint16_t>& words)
{
    backend->withInstrument([&](platform::SimulatedInstrument& instrument) { instrument.preload(address, words); });
}

platform::SimulatedInstrument::Statistics SimulatedConnection::statistics()
{
    return backend->withInstrument([](platform::SimulatedInstrument& instrument) { return instrument.statistics(); });
}

std::vector<std::vector<std::uint8_t>> ReceivedMessages(platform::SimulatedMidiBackend& backend)
{
    std::vector<std::vector<std::uint8_t>> messages;
    for (const auto& recorded : backend.recordedMessages())
        messages.push_back(recorded.bytes);
    return messages;
}

std::size_t CountCommand(const std::vector<std::vector<std::uint8_t>>& messages, std::uint8_t command)
{
    std::size_t count = 0;
    for (const auto& message : messages)
        count += message.size() > 4 && message[3] == command;
    return count;
}

std::vector<std::uint32_t> AddressesSet(const std::vector<std::vector<std::uint8_t>>& messages)
{
    std::vector<std::uint32_t> addresses;
    std::uint32_t high = 0;
    for (const auto& message : messages) {
        if (message.size() != 9)
            continue;
        if (message[3] == 0x05)
            high = unpackValue(message);
        else if (message[3] == 0x06)
            addresses.push_back(high << 16 | unpackValue(message));
    }
    return addresses;
}
