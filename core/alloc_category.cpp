#include "core/alloc_category.h"

#include <atomic>

namespace {

std::atomic<u32> g_allocCategory{0};

}  // namespace

u32 GetAllocCategory() { return g_allocCategory.load(std::memory_order_relaxed); }

u32 SetAllocCategory(u32 category) { return g_allocCategory.exchange(category, std::memory_order_relaxed); }
