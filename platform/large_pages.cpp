#include "platform/large_pages.h"

#include <sys/mman.h>

#include <cstdint>

void* OsAllocateLargePages(size_t size) {
    if (size == 0 || size % LargePageSize != 0 || size > SIZE_MAX - LargePageSize) return nullptr;
    // One large page more than asked, cut back to an aligned block.
    const size_t mapped = size + LargePageSize;
    void* map = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map == MAP_FAILED) return nullptr;
    const uintptr_t start = reinterpret_cast<uintptr_t>(map);
    const uintptr_t aligned = (start + LargePageSize - 1) & ~uintptr_t(LargePageSize - 1);
    const size_t head = aligned - start;
    if (head) munmap(map, head);
    if (LargePageSize - head) munmap(reinterpret_cast<void*>(aligned + size), LargePageSize - head);
    void* block = reinterpret_cast<void*>(aligned);
    // Only advice: without huge pages the block works on plain ones.
    madvise(block, size, MADV_HUGEPAGE);
    return block;
}

void OsFreeLargePages(void* block, size_t size) {
    if (block) munmap(block, size);
}

void OsLetGoOfLargePages(void* block, size_t size) {
    if (block) madvise(block, size, MADV_FREE);
}
