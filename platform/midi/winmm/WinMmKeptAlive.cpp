#include "WinMmKeptAlive.h"

#include <windows.h>

#include <mutex>
#include <vector>

namespace platform {

namespace {

struct Kept {
    std::mutex mutex;
    std::vector<std::shared_ptr<WinMmKeptAlive::Shared>> shared;
};

Kept& kept()
{
    // Never destroyed: the driver may use what is kept until the process is gone.
    static Kept* const all = new Kept;
    return *all;
}

}  // namespace

void WinMmKeptAlive::keep(std::shared_ptr<Shared> shared, const std::string& what)
{
    std::size_t count = 0;
    {
        const std::lock_guard lock(kept().mutex);
        kept().shared.push_back(std::move(shared));
        count = kept().shared.size();
    }
    const std::string line = "Vantrel: WinMM would not let go of " + what +
                             "; its buffers and callback context stay allocated until the program ends (" +
                             std::to_string(count) + " kept)\n";
    ::OutputDebugStringA(line.c_str());
}

std::size_t WinMmKeptAlive::count()
{
    const std::lock_guard lock(kept().mutex);
    return kept().shared.size();
}

}  // namespace platform
