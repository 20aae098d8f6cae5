#include "AllocationProbe.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> g_armed{false};
std::atomic<size_t> g_largest{0};
}  // namespace

namespace velto::testing {
void ArmAllocationProbe() {
    g_largest = 0;
    g_armed = true;
}
size_t LargestAllocationSinceArmed() {
    g_armed = false;
    return g_largest;
}
}  // namespace velto::testing

void* operator new(std::size_t n) {
    if (g_armed) {
        size_t seen = g_largest.load();
        while (n > seen && !g_largest.compare_exchange_weak(seen, n)) {
        }
    }
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    return operator new(n);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
