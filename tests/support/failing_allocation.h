// Makes one chosen nothrow allocation fail, for tests of code that must
// survive it. Including this header replaces the nothrow forms of operator new
// for the whole test program, so exactly one source of a program may include
// it. Every other allocation goes to the ordinary operator new, so the
// sanitizer still pairs each allocation with its delete.
#pragma once

#include <cstddef>
#include <new>

// Nothrow allocations still to pass before the one that fails; negative: none fails.
inline int g_allocationsBeforeFailure = -1;

inline bool ShouldFailAllocation() {
    if (g_allocationsBeforeFailure < 0) return false;
    return g_allocationsBeforeFailure-- == 0;
}

// Makes the nothrow allocation at index `failingIndex` from now fail, once.
struct FailingAllocation {
    explicit FailingAllocation(int failingIndex) { g_allocationsBeforeFailure = failingIndex; }
    ~FailingAllocation() { g_allocationsBeforeFailure = -1; }
    // True once the chosen allocation has failed.
    static bool HasFailed() { return g_allocationsBeforeFailure < 0; }
};

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (ShouldFailAllocation()) return nullptr;
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (ShouldFailAllocation()) return nullptr;
    try {
        return ::operator new[](size);
    } catch (...) {
        return nullptr;
    }
}
