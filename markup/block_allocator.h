// Allocation of binary blocks (variant copies, the encode and decode buffers of
// the reader and writer) and of tags. Blocks are plain malloc memory, freed
// with free, except the large-page blocks of big tag arenas. Tests can make
// the allocation fail to reach the failure paths.
#pragma once

#include <cstddef>

#include "core/types.h"

// malloc, unless failures were armed; null on failure.
void* AllocateBlock(size_t size);
// The same with the start aligned to alignment (a power of two that divides
// size), as aligned_alloc; freed with free.
void* AllocateAlignedBlock(size_t size, size_t alignment);
// size bytes (a multiple of LargePageSize) aligned to LargePageSize, from
// the kernel with huge pages where it allows them (platform/large_pages.h);
// freed with FreeLargePageBlock and the same size. Freed blocks, up to
// 256 MB, are kept for the next calls; the kernel may reclaim their pages.
void* AllocateLargePageBlock(size_t size);
void FreeLargePageBlock(void* block, size_t size);
// The bytes of the large-page blocks handed out and not freed, for
// measurements (malloc statistics do not see them).
size_t LargePageBytesInUse();
// After the given number of further successful calls, every call fails until
// DisarmBlockAllocationFailure.
void ArmBlockAllocationFailure(u32 successesBeforeFailure);
void DisarmBlockAllocationFailure();
