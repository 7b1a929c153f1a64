// Memory straight from the kernel for arenas that grow large (the tags of a
// big document): blocks aligned to LargePageSize, which the kernel is asked
// to back with huge pages where it allows them (transparent huge pages in
// "always" or "madvise" mode). A huge page costs one fault where 4 KB pages
// cost 512, and only the pages a block touches take memory. Where the kernel
// refuses, the block is still there, on plain pages.
#pragma once

#include <cstddef>

constexpr size_t LargePageSize = 2u * 1024 * 1024;

// size bytes (a multiple of LargePageSize) aligned to LargePageSize, zeroed
// on first touch; null when size is 0, not a multiple or the kernel refuses.
void* OsAllocateLargePages(size_t size);
// Hands back a block of OsAllocateLargePages with its size; null does nothing.
void OsFreeLargePages(void* block, size_t size);
// Keeps the block but lets the kernel take its pages back when memory runs
// short: until it is written again, each page holds either its old bytes or
// zeros.
void OsLetGoOfLargePages(void* block, size_t size);
