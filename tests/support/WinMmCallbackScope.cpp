#include "WinMmCallbackScope.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

thread_local int t_depth = 0;
std::atomic<std::size_t> g_allocations{0};

}  // namespace

WinMmCallbackScope::WinMmCallbackScope() { ++t_depth; }

WinMmCallbackScope::~WinMmCallbackScope() { --t_depth; }

int WinMmCallbackScope::depth() { return t_depth; }

void WinMmCallbackScope::setDepth(int depth) { t_depth = depth; }

std::size_t WinMmCallbackScope::allocations() { return g_allocations.load(); }

// Replaces the program's allocation functions, so this file links into every
// test that uses the model.
void* operator new(std::size_t size)
{
    if (t_depth > 0)
        g_allocations.fetch_add(1);
    if (void* memory = std::malloc(size == 0 ? 1 : size))
        return memory;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
