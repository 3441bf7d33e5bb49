#pragma once
// The complete exchange of an update of the 4-byte image 11 22 33 44 (words
// 0x2211 and 0x4433) with the block list {0} and Verify ticked: every message
// in order, with the least time that must have passed before it.
#include <chrono>
#include <gtest/gtest.h>
#include <vector>

#include "ProtocolTestSupport.h"

struct TracedMessage {
    Bytes bytes;
    std::chrono::milliseconds waitBefore{0};
};

struct SentAt {
    Bytes bytes;
    std::chrono::steady_clock::time_point time;
};

inline std::vector<TracedMessage> TracedExchange()
{
    using namespace std::chrono_literals;
    std::vector<TracedMessage> trace;
    // Opening, with the timed pulse.
    trace.push_back({Msg(0x01)});
    trace.push_back({Msg(0x0C)});
    trace.push_back({Msg(0x03)});
    trace.push_back({Msg(0x04), 100ms});
    // Erase of block 0: six single-word writes, 100 ms after each.
    const std::uint16_t writes[6][2] = {{0x5555, 0xAA}, {0x22AA, 0x55}, {0x5555, 0x80},
                                        {0x5555, 0xAA}, {0x22AA, 0x55}, {0x0000, 0x30}};
    for (int i = 0; i < 6; ++i) {
        trace.push_back({ValueMsg(0x05, 0), i == 0 ? 0ms : 100ms});
        trace.push_back({ValueMsg(0x06, writes[i][0])});
        trace.push_back({ValueMsg(0x09, writes[i][1])});
    }
    // The last write's 100 ms, then the run's own 100 ms, then the erase poll.
    trace.push_back({ValueMsg(0x05, 0), 200ms});
    trace.push_back({ValueMsg(0x06, 0)});
    trace.push_back({Msg(0x08)});
    // The image as one message.
    trace.push_back({ValueMsg(0x05, 0)});
    trace.push_back({ValueMsg(0x06, 0)});
    trace.push_back({{0xF0, 0x7E, 0x08, 0x0A, 0x02, 0x02, 0x01, 0x01, 0x04, 0x04, 0x03, 0x03, 0xF7}});
    // Read-back of a whole chunk of 1024 words in 16-word replies.
    trace.push_back({ValueMsg(0x05, 0)});
    trace.push_back({ValueMsg(0x06, 0)});
    for (int i = 0; i < 64; ++i)
        trace.push_back({Msg(0x08)});
    trace.push_back({Msg(0x02)});
    return trace;
}

//! Checks `sent` against the trace byte for byte, and that each wait lasted
//! at least as long as the trace says (a loaded machine sleeps longer, so how
//! much longer tells nothing; the benchmark measures what waits cost).
inline void ExpectTracedExchange(const std::vector<SentAt>& sent)
{
    const std::vector<TracedMessage> trace = TracedExchange();
    ASSERT_EQ(sent.size(), trace.size()) << "messages sent";
    for (std::size_t i = 0; i < trace.size(); ++i) {
        ASSERT_EQ(sent[i].bytes, trace[i].bytes) << "message #" << i + 1 << "\n  expected: " << HexDump(trace[i].bytes)
                                                 << "\n  sent:     " << HexDump(sent[i].bytes);
        if (i == 0)
            continue;
        const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(sent[i].time - sent[i - 1].time);
        EXPECT_GE(gap, trace[i].waitBefore) << "message #" << i + 1 << " came too early";
    }
}
