// Makes one chosen nothrow allocation fail, for tests of the failure paths of
// code that allocates with new (std::nothrow). The nothrow forms of operator
// new (single and array) are replaced for the whole test program; every other
// allocation goes to the ordinary operator new, so the sanitizer still pairs
// each allocation with its delete.
//
// The replacements are definitions: include this header from exactly one
// source file of a test program.
#pragma once

#include <cstddef>
#include <new>

// Nothrow allocations still to pass before the one that fails; negative: none fails.
inline int g_allocationsBeforeFailure = -1;

inline bool ShouldFailAllocation() {
    if (g_allocationsBeforeFailure < 0) return false;
    return g_allocationsBeforeFailure-- == 0;
}

// Makes the nothrow allocation at index failingIndex from now fail, once.
struct FailingAllocation {
    explicit FailingAllocation(int failingIndex) { g_allocationsBeforeFailure = failingIndex; }
    ~FailingAllocation() { g_allocationsBeforeFailure = -1; }
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
