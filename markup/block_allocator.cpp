#include "markup/block_allocator.h"

#include <atomic>
#include <cstdlib>

namespace {

// Successful calls left before failing; negative when disarmed.
std::atomic<i64> g_successesLeft{-1};

}  // namespace

void* AllocateBlock(size_t size) {
    i64 left = g_successesLeft.load(std::memory_order_relaxed);
    while (left >= 0) {
        if (left == 0) return nullptr;
        if (g_successesLeft.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) break;
    }
    return std::malloc(size);
}

void ArmBlockAllocationFailure(u32 successesBeforeFailure) {
    g_successesLeft.store(successesBeforeFailure, std::memory_order_relaxed);
}

void DisarmBlockAllocationFailure() {
    g_successesLeft.store(-1, std::memory_order_relaxed);
}
