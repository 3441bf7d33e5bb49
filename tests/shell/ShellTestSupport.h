#pragma once
// Shared by the window tests: the user's message boxes captured, product
// files beside the test executable (each test executable has a folder of its
// own), and a MIDI backend that only lists names.
#include <QApplication>
#include <gtest/gtest.h>
#include <QTest>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "EventPump.h"
#include "FileHelpers.h"
#include "MidiBackend.h"
#include "QtEventPump.h"
#include "UserMessage.h"

namespace shelltest {

//! Collects every message shown to the user while it lives.
class MessageCapture {
public:
    MessageCapture()
    {
        platform::SetMessageHandler([this](const std::string& text, const std::string&) { texts.push_back(text); });
    }
    ~MessageCapture() { platform::SetMessageHandler({}); }
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    std::vector<std::string> texts;
};

//! The folder of the test executable, with its trailing separator.
inline std::string ExeDirectory()
{
    std::string directory;
    return GetExeDirectory(directory);
}

//! The product folder beside the test, emptied.
inline std::filesystem::path FreshConfigDirectory()
{
    const std::filesystem::path config = std::filesystem::path(ExeDirectory()) / "config";
    std::filesystem::remove_all(config);
    std::filesystem::create_directories(config);
    return config;
}

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

//! A deterministic image of `words` words: distinct, never-erased values.
inline std::string MakeImage(std::size_t words)
{
    std::string bytes(words * 2, '\0');
    for (std::size_t i = 0; i < words; ++i) {
        const std::uint16_t value = static_cast<std::uint16_t>((i * 0x9E37u + 0x1234u) & 0x7FFF);
        bytes[2 * i] = static_cast<char>(value & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(value >> 8);
    }
    return bytes;
}

//! A backend that lists the given device names and opens nothing.
class NamesOnlyBackend : public platform::MidiBackend {
public:
    NamesOnlyBackend(std::vector<std::string> outputs, std::vector<std::string> inputs)
        : m_outputs(std::move(outputs)), m_inputs(std::move(inputs))
    {
    }
    std::string backendName() const override { return "names only"; }
    std::vector<std::string> outputNames() override { return m_outputs; }
    std::vector<std::string> inputNames() override { return m_inputs; }
    platform::MidiResult openOutput(std::size_t, std::unique_ptr<platform::MidiOutput>&) override
    {
        return platform::MidiResult::failure(platform::kMidiNoDevice, "names-only test device");
    }
    platform::MidiResult openInput(std::size_t, platform::MidiInCallback, void*,
                                   std::unique_ptr<platform::MidiInput>&) override
    {
        return platform::MidiResult::failure(platform::kMidiNoDevice, "names-only test device");
    }

    std::vector<std::string> m_outputs;
    std::vector<std::string> m_inputs;
};

}  // namespace shelltest
