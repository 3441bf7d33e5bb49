#pragma once
// The least time an update can take on a given link: every byte of every
// message and reply at the link's rate, request and reply in turn, plus the
// waits the protocol prescribes. Plain arithmetic on the image size, the block
// list and the reply size; nothing is run or timed here.
#include <cstdint>
#include <list>

namespace bench {

//! What one update puts on the link.
struct UpdateTraffic {
    std::uint64_t messagesSent = 0;  //!< every message the updater sends
    std::uint64_t bytesSent = 0;
    std::uint64_t replies = 0;       //!< replies to read requests, erase polls included
    std::uint64_t bytesReceived = 0;
    std::uint64_t erases = 0;        //!< blocks erased, each with one poll that finds it erased
    std::uint64_t fixedWaitMs = 0;   //!< the opening pulse and the waits of every erase
};

//! How a link carries the traffic.
struct LinkModel {
    std::uint32_t bytesPerSecond = 0;  //!< 0: bytes take no time
    unsigned replyLatencyMs = 0;       //!< from a request's arrival to its reply's first byte
    double secondsPerMessage = 0;      //!< a link that carries one message per cycle (JACK); 0: paced by bytes
};

//! The traffic of one update of an image of `imageBytes` bytes with the flash
//! block list `blocks`, the instrument answering every read request with
//! `replyWords` words, and the read-back when `verify` is set.
UpdateTraffic CountTraffic(std::uint64_t imageBytes, const std::list<std::uint32_t>& blocks, unsigned replyWords,
                           bool verify);

//! The least time in seconds `traffic` takes on `link`.
double LowerBoundSeconds(const UpdateTraffic& traffic, const LinkModel& link);

}  // namespace bench
