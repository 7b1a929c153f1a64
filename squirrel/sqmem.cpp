#include "squirrel/sqmem.h"

#include <atomic>
#include <cstdlib>

namespace {
// Successful allocations left before failing; negative when disarmed.
std::atomic<SQInteger> g_successesLeft{-1};
std::atomic<size_t> g_largest{0};

// False when the test switch says this allocation fails.
bool MayAllocate(size_t size) {
    size_t largest = g_largest.load(std::memory_order_relaxed);
    while (size > largest && !g_largest.compare_exchange_weak(largest, size, std::memory_order_relaxed)) {
    }
    SQInteger left = g_successesLeft.load(std::memory_order_relaxed);
    while (left >= 0) {
        if (left == 0) return false;
        if (g_successesLeft.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) break;
    }
    return true;
}
}  // namespace

void *sq_vm_malloc(size_t size) {
    void *p = MayAllocate(size) ? std::malloc(size ? size : 1) : nullptr;
    if (!p) throw std::bad_alloc();
    return p;
}

void *sq_vm_realloc(void *p, size_t size) {
    void *q = MayAllocate(size) ? std::realloc(p, size ? size : 1) : nullptr;
    if (!q) throw std::bad_alloc();
    return q;
}

void sq_vm_free(void *p) { std::free(p); }

void sq_vm_failallocationsafter(SQInteger successes) {
    g_successesLeft.store(successes < 0 ? -1 : successes, std::memory_order_relaxed);
}

size_t sq_vm_largestallocation() { return g_largest.load(std::memory_order_relaxed); }

void sq_vm_resetlargestallocation() { g_largest.store(0, std::memory_order_relaxed); }
