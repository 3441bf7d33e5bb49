#pragma once
#include <cstddef>
#include <memory>
#include <string>

namespace platform {

//! Memory Windows may still write to or call into after it refused to let
//! go of it: a pulled device whose driver keeps the input buffers for good
//! (Windows MIDI Services before its November 2026 fix) answers every close
//! with an error, and freeing the buffers or the callback's context would
//! leave the driver a dangling pointer. Such memory is kept here until the
//! process ends, and each keep is said in a debug line (OutputDebugString).
class WinMmKeptAlive {
public:
    //! What a port shares with the driver: its buffers, headers, event and the callback's context.
    class Shared {
    public:
        virtual ~Shared() = default;
    };

    //! Keeps `shared` for the life of the process; `what` says whose it is, for the debug line.
    static void keep(std::shared_ptr<Shared> shared, const std::string& what);
    //! How many have been kept.
    static std::size_t count();
};

}  // namespace platform
