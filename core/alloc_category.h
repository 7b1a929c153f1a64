// The process-wide allocation category word: loaders and the scene set it
// around groups of allocations and restore the previous value. Nothing reads
// it; it labels allocations for memory tools.
#pragma once

#include "core/types.h"

constexpr u32 AllocCategoryShaderGraph = 1;  // fixed-function shader-graph conversion
constexpr u32 AllocCategorySound = 6;        // sounds, stream interfaces, streams
constexpr u32 AllocCategoryPicture = 7;      // pictures, user interface
constexpr u32 AllocCategoryScene = 8;        // textures, geometries, particle models, scene items

u32 GetAllocCategory();
// Returns the previous value.
u32 SetAllocCategory(u32 category);

// Sets the category for its lifetime and restores the previous one.
class zScopedAllocCategory {
public:
    explicit zScopedAllocCategory(u32 category) : m_previous(SetAllocCategory(category)) {}
    ~zScopedAllocCategory() { SetAllocCategory(m_previous); }
    zScopedAllocCategory(const zScopedAllocCategory&) = delete;
    zScopedAllocCategory& operator=(const zScopedAllocCategory&) = delete;

private:
    u32 m_previous;
};
