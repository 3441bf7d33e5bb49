#include "CMidiPort.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>
#include <vector>

#include "CMidiError.h"
#include "MidiReply.h"
#include "MidiSystem.h"
#include "PreciseSleep.h"
#include "PumpWaitingMessages.h"

namespace {

const char* const kOpenOutputFailed = "Fail to open MIDI out device";
const char* const kOpenInputFailed = "Fail to open MIDI in device";
const char* const kWaitTimeOut = "Wait Time Out!";
const char* const kReadDataUnexpected = "Read Data Unexpected!";

constexpr auto kPollInterval = std::chrono::milliseconds(1);
constexpr auto kCloseOutputInterval = std::chrono::milliseconds(10);

// The fixed text, then on a line of its own why the driver refused (the
// device is in use, or no longer connected), when it said.
std::string OpenFailureText(const char* text, const platform::MidiResult& result)
{
    return result.detail.empty() ? text : std::string(text) + "\n" + result.detail;
}

// Through the system layer: to the moment itself (the standard library's
// sleeps end at the next whole millisecond on Windows), and in a page a wait
// that lets the browser's event loop run.
void sleepFor(std::chrono::milliseconds duration)
{
    platform::SleepUntil(std::chrono::steady_clock::now() + duration);
}

}  // namespace

CMidiPort::CMidiPort() = default;

CMidiPort::~CMidiPort()
{
    CloseOutput();
    CloseInput();
}

void CMidiPort::OpenPorts(unsigned outDevice, unsigned inDevice) { OpenBoth(outDevice, inDevice); }

void CMidiPort::OpenPorts(const platform::MidiDeviceId& outDevice, const platform::MidiDeviceId& inDevice)
{
    OpenBoth(outDevice, inDevice);
}

template <class Device>
void CMidiPort::OpenBoth(const Device& outDevice, const Device& inDevice)
{
    OpenOutput(outDevice);
    try {
        OpenInput(inDevice);
        SendStart();
        SendPulse(kPulseDelayMs);
    } catch (...) {
        // Leave nothing half open, or every later attempt finds the devices busy.
        CloseOutput();
        CloseInput();
        throw;
    }
}

void CMidiPort::ClosePorts()
{
    try {
        SendEnd();
    } catch (...) {
        CloseOutput();
        CloseInput();
        throw;
    }
    CloseOutput();
    CloseInput();
}

void CMidiPort::EndDuringRun(unsigned limitMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (m_midiOut != nullptr && m_midiOut->sendState().code == platform::kMidiStillPlaying &&
           std::chrono::steady_clock::now() < deadline)
        m_midiOut->waitSent(kDispatchInterval);
    try {
        ClosePorts();
    } catch (const CMidiError&) {
        // Nobody is left to read it: the session is ending.
    }
}

void CMidiPort::SendStart()
{
    SendCommand(SysEx::kOpen);
    SendCommand(SysEx::kOpenSecond);
}

void CMidiPort::SendPulse(unsigned delayMs)
{
    SendCommand(SysEx::kPulseFirst);
    sleepFor(std::chrono::milliseconds(delayMs));
    SendCommand(SysEx::kPulseSecond);
}

void CMidiPort::SendEnd() { SendCommand(SysEx::kEndExchange); }

void CMidiPort::SetAddressHigh(std::uint16_t value) { SendValueCommand(SysEx::kAddressHigh, value); }

void CMidiPort::SetAddressLow(std::uint16_t value) { SendValueCommand(SysEx::kAddressLow, value); }

void CMidiPort::WriteWord(std::uint16_t addressHigh, std::uint16_t addressLow, std::uint16_t value)
{
    SetAddressHigh(addressHigh);
    SetAddressLow(addressLow);
    SendValueCommand(SysEx::kWriteWord, value);
}

void CMidiPort::EraseBlock(std::uint32_t address)
{
    // A flash chip left in the middle of its command sequence would take the
    // next session's writes for the rest of it.
    m_erasing = true;
    try {
        for (const SysEx::EraseWrite& write : SysEx::BuildEraseSequence(address)) {
            WriteWord(write.addressHigh, write.addressLow, write.value);
            WaitDispatching(kEraseWriteDelayMs, [this] { DispatchHolding(); });
        }
    } catch (...) {
        m_erasing = false;
        m_held = nullptr;  // a send failed: the run ends with that
        throw;
    }
    m_erasing = false;
    RethrowHeld();
}

void CMidiPort::WriteWords(const std::uint8_t* words, unsigned count, std::uint32_t address)
{
    SetAddressHigh(SysEx::AddressHigh(address));
    SetAddressLow(SysEx::AddressLow(address));
    // The instrument stores each message's words where the last one ended, so
    // a port that carries fewer bytes whole gets the words in equal pieces.
    const std::size_t longest = m_midiOut != nullptr ? m_midiOut->longestMessage() : 0;
    const std::size_t most = longest > SysEx::WriteWordsLength(0) ? SysEx::WordsFitting(longest) : SysEx::kMaxWriteWords;
    const std::size_t pieces = std::max<std::size_t>(1, (count + most - 1) / most);
    const std::size_t piece = (count + pieces - 1) / pieces;
    std::size_t done = 0;
    do {
        const std::size_t now = std::min<std::size_t>(piece, count - done);
        const std::vector<std::uint8_t> message = SysEx::BuildWriteWords(words + 2 * done, now);
        Send(message.data(), message.size(), WhileSending::Dispatch);
        done += now;
    } while (done < count);
}

void CMidiPort::ReadWords(std::uint8_t* buffer, std::uint32_t address, unsigned count, unsigned pollCount)
{
    SetAddressHigh(SysEx::AddressHigh(address));
    SetAddressLow(SysEx::AddressLow(address));
    std::size_t needed = 2 * std::size_t{count};
    std::size_t written = 0;
    unsigned emptyReplies = 0;
    while (needed > 0) {
        SendCommand(SysEx::kReadRequest, WhileSending::Dispatch);
        WaitForReply(pollCount);
        const std::uint32_t length = g_replyLength;
        if (!SysEx::IsReplyLengthValid(length))
            throw CMidiError(kReadDataUnexpected);
        const std::size_t stored =
            SysEx::DecodePayload(g_replyData, SysEx::PayloadLength(length), buffer + written, needed);
        written += stored;
        needed -= stored;
        emptyReplies = stored == 0 ? emptyReplies + 1 : 0;
        if (emptyReplies >= kMaxEmptyReplies)
            throw CMidiError(kWaitTimeOut);
    }
}

std::uint16_t CMidiPort::ReadWord(std::uint32_t address)
{
    std::uint8_t bytes[2] = {};
    ReadWords(bytes, address, 1, kReadWordPolls);
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

void CMidiPort::OpenOutput(unsigned device)
{
    CloseOutput();
    std::unique_ptr<platform::MidiOutput> port;
    const platform::MidiResult opened = platform::MidiSystem::instance().openOutput(device, port);
    AdoptOutput(opened, std::move(port));
}

void CMidiPort::OpenOutput(const platform::MidiDeviceId& device)
{
    CloseOutput();
    std::unique_ptr<platform::MidiOutput> port;
    const platform::MidiResult opened = platform::MidiSystem::instance().openOutput(device, port);
    AdoptOutput(opened, std::move(port));
}

void CMidiPort::AdoptOutput(const platform::MidiResult& opened, std::unique_ptr<platform::MidiOutput> port)
{
    if (!opened.ok() || port == nullptr)
        throw CMidiError(OpenFailureText(kOpenOutputFailed, opened));
    m_midiOut = std::move(port);
}

void CMidiPort::CloseOutput()
{
    if (m_midiOut == nullptr)
        return;
    for (unsigned retry = 0; retry < kCloseOutputRetries; ++retry) {
        if (m_midiOut->close().code != platform::kMidiStillPlaying)
            break;
        sleepFor(kCloseOutputInterval);
    }
    m_midiOut.reset();
}

void CMidiPort::OpenInput(unsigned device)
{
    // An input still open would keep the one shared buffer queued.
    CloseInput();
    StartInput(platform::MidiSystem::instance().openInput(device, &CMidiPort::MidiInProc, this, m_midiIn));
}

void CMidiPort::OpenInput(const platform::MidiDeviceId& device)
{
    CloseInput();
    StartInput(platform::MidiSystem::instance().openInput(device, &CMidiPort::MidiInProc, this, m_midiIn));
}

void CMidiPort::StartInput(const platform::MidiResult& opened)
{
    if (!opened.ok() || m_midiIn == nullptr)
        throw CMidiError(OpenFailureText(kOpenInputFailed, opened));
    g_midiInHeader = platform::MidiHeader{g_midiInBuffer, kMidiInBufferSize, 0, 0};
    if (!m_midiIn->prepareHeader(&g_midiInHeader).ok() || !m_midiIn->addBuffer(&g_midiInHeader).ok() ||
        !m_midiIn->start().ok())
        throw CMidiError(kOpenInputFailed);
}

void CMidiPort::CloseInput()
{
    if (m_midiIn == nullptr)
        return;
    m_closing.store(true);
    m_midiIn->reset();
    m_midiIn->unprepareHeader(&g_midiInHeader);
    for (unsigned retry = 0; retry < kCloseInputRetries; ++retry) {
        if (m_midiIn->close().code != platform::kMidiStillPlaying)
            break;
        std::this_thread::yield();
    }
    m_midiIn.reset();
    m_closing.store(false);
}

void CMidiPort::SendSysEx(const std::uint8_t* bytes, std::size_t length) { Send(bytes, length, WhileSending::Wait); }

void CMidiPort::Send(const std::uint8_t* bytes, std::size_t length, WhileSending mode)
{
    ClearReplyReady();
    if (m_midiOut == nullptr)
        ThrowDriverError(platform::MidiResult::failure(platform::kMidiInvalidHandle));
    if (bytes == nullptr || length == 0)
        ThrowDriverError(platform::MidiResult::failure(platform::kMidiInvalidParam));
    platform::MidiResult result = m_midiOut->startSysEx(bytes, length);
    if (result.ok())
        result = AwaitSent(mode);
    if (!result.ok()) {
        m_held = nullptr;  // the run ends with the send error
        ThrowDriverError(result);
    }
    if (!m_erasing)
        RethrowHeld();
}

platform::MidiResult CMidiPort::AwaitSent(WhileSending mode)
{
    // Each wait ends the moment the port is done with the message; the step
    // only sets how often the window is served meanwhile.
    for (;;) {
        if (m_midiOut == nullptr)
            return platform::MidiResult::failure(platform::kMidiInvalidHandle);  // closed by EndDuringRun
        platform::MidiResult state = m_midiOut->sendState();
        if (state.code != platform::kMidiStillPlaying)
            return state;
        m_midiOut->waitSent(kDispatchInterval);
        if (mode == WhileSending::Dispatch)
            DispatchHolding();
    }
}

void CMidiPort::DispatchHolding()
{
    if (m_held)
        return;
    try {
        PumpWaitingMessages();
    } catch (...) {
        m_held = std::current_exception();
    }
}

void CMidiPort::RethrowHeld()
{
    if (m_held)
        std::rethrow_exception(std::exchange(m_held, nullptr));
}

void CMidiPort::MidiInProc(platform::MidiInput* input, unsigned message, void* instance,
                           platform::MidiHeader* header)
{
    if (message != platform::kMimLongData || header == nullptr)
        return;
    const auto* port = static_cast<const CMidiPort*>(instance);
    if (port != nullptr && port->m_closing.load())
        return;  // the input is shutting down: the buffer stays out of the queue
    const bool stored = StoreReply(header->data, header->bytesRecorded);
    if (input != nullptr)
        input->addBuffer(header);
    if (stored)
        PublishReply();
}

void CMidiPort::SendCommand(std::uint8_t command, WhileSending mode)
{
    const SysEx::CommandMessage message = SysEx::BuildCommand(command);
    Send(message.data(), message.size(), mode);
}

void CMidiPort::SendValueCommand(std::uint8_t command, std::uint16_t value)
{
    SysEx::SetValueCommand(m_valueMessage, command, value);
    Send(m_valueMessage.data(), m_valueMessage.size(), WhileSending::Dispatch);
}

void CMidiPort::WaitForReply(unsigned pollCount)
{
    // An unplugged device answers nothing: say so at once rather than time out.
    const auto checkInput = [this] {
        if (m_midiIn == nullptr)
            return;
        if (const platform::MidiResult failure = m_midiIn->deviceFailure(); !failure.ok())
            ThrowDriverError(failure);
    };
    if (!AwaitReply(pollCount, kPollInterval, checkInput))
        throw CMidiError(kWaitTimeOut);
}

void CMidiPort::ThrowDriverError(const platform::MidiResult& result)
{
    m_errorText = platform::MidiSystem::errorText(result);
    throw CMidiError(m_errorText);
}
