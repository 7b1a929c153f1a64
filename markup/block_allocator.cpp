#include "markup/block_allocator.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <type_traits>

#include "platform/large_pages.h"

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

// Blocks of large pages that arenas gave back, kept for the next ones:
// documents are read one after another, and a block used again costs no page
// faults and no zeroing. The kernel may take their pages back meanwhile when
// memory runs short (OsLetGoOfLargePages); a block of those faults again.
struct LargePageCache {
    static constexpr size_t MaxBytes = size_t(256) << 20;
    static constexpr u32 MaxBlocks = 128;
    struct Block {
        void* block;
        size_t size;
    };
    std::mutex mutex;
    Block blocks[MaxBlocks];
    u32 count = 0;
    size_t bytes = 0;

    void* Take(size_t size) {
        std::lock_guard<std::mutex> lock(mutex);
        for (u32 i = count; i-- > 0;) {
            if (blocks[i].size != size) continue;
            void* block = blocks[i].block;
            blocks[i] = blocks[--count];
            bytes -= size;
            return block;
        }
        return nullptr;
    }
    bool Keep(void* block, size_t size) {
        std::lock_guard<std::mutex> lock(mutex);
        if (count == MaxBlocks || size > MaxBytes - bytes) return false;
        blocks[count++] = {block, size};
        bytes += size;
        return true;
    }
};
// Never destroyed: documents held by other globals may go after it at exit.
static_assert(std::is_trivially_destructible<LargePageCache>::value, "the cache outlives every arena");
LargePageCache g_largePages;
std::atomic<size_t> g_largePageBytesInUse{0};

}  // namespace

void* AllocateBlock(size_t size) {
    return MaySucceed() ? std::malloc(size) : nullptr;
}

void* AllocateAlignedBlock(size_t size, size_t alignment) {
    return MaySucceed() ? std::aligned_alloc(alignment, size) : nullptr;
}

void* AllocateLargePageBlock(size_t size) {
    if (!MaySucceed()) return nullptr;
    void* block = g_largePages.Take(size);
    if (!block) block = OsAllocateLargePages(size);
    if (block) g_largePageBytesInUse.fetch_add(size, std::memory_order_relaxed);
    return block;
}

void FreeLargePageBlock(void* block, size_t size) {
    if (!block) return;
    g_largePageBytesInUse.fetch_sub(size, std::memory_order_relaxed);
    OsLetGoOfLargePages(block, size);
    if (!g_largePages.Keep(block, size)) OsFreeLargePages(block, size);
}

size_t LargePageBytesInUse() {
    return g_largePageBytesInUse.load(std::memory_order_relaxed);
}

void ArmBlockAllocationFailure(u32 successesBeforeFailure) {
    g_successesLeft.store(successesBeforeFailure, std::memory_order_relaxed);
}

void DisarmBlockAllocationFailure() {
    g_successesLeft.store(-1, std::memory_order_relaxed);
}
