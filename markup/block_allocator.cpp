#include "markup/block_allocator.h"

#include <atomic>
#include <cstdlib>

namespace {

// Successful calls left before failing; negative when disarmed.
std::atomic<i64> g_successesLeft{-1};

// False when an armed failure is due.
bool MaySucceed() {
    i64 left = g_successesLeft.load(std::memory_order_relaxed);
    while (left >= 0) {
        if (left == 0) return false;
        if (g_successesLeft.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) break;
    }
    return true;
}

}  // namespace

void* AllocateBlock(size_t size) {
    return MaySucceed() ? std::malloc(size) : nullptr;
}

void* AllocateAlignedBlock(size_t size, size_t alignment) {
    return MaySucceed() ? std::aligned_alloc(alignment, size) : nullptr;
}

void ArmBlockAllocationFailure(u32 successesBeforeFailure) {
    g_successesLeft.store(successesBeforeFailure, std::memory_order_relaxed);
}

void DisarmBlockAllocationFailure() {
    g_successesLeft.store(-1, std::memory_order_relaxed);
}
