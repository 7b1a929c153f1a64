// The library's one allocator. Every object, container and buffer of the VM takes its memory
// through sq_vm_malloc, which throws std::bad_alloc as new does. Nothing throws out of the
// library: the API entry points, the interpreter loop, the compiler, the closure reader and the
// call into a native function catch it and report the Squirrel error "out of memory" (see
// SQ_API_GUARD in sqapi.cpp). Code between those points only needs to stay consistent when an
// allocation throws: own new objects through SQObjectPtr at once, change state after allocating.
//
// For tests, the allocator can fail on purpose after a number of successes, and it records the
// largest single allocation. Both switches are global to the process: one test at a time.
#pragma once

#include "squirrel/squirrel.h"

#include <cstddef>
#include <new>
#include <string>
#include <vector>

void *sq_vm_malloc(size_t size);
void *sq_vm_realloc(void *p, size_t size);
void sq_vm_free(void *p);

// After successes further allocations, every allocation fails until disarmed with -1.
void sq_vm_failallocationsafter(SQInteger successes);
// The largest single allocation since the last reset.
size_t sq_vm_largestallocation();
void sq_vm_resetlargestallocation();

template <class T>
struct SQAllocator {
    using value_type = T;
    SQAllocator() = default;
    template <class U>
    SQAllocator(const SQAllocator<U> &) {}
    T *allocate(size_t n) {
        if (n > size_t(-1) / sizeof(T)) throw std::bad_alloc();
        return static_cast<T *>(sq_vm_malloc(n * sizeof(T)));
    }
    void deallocate(T *p, size_t) { sq_vm_free(p); }
    template <class U>
    bool operator==(const SQAllocator<U> &) const {
        return true;
    }
    template <class U>
    bool operator!=(const SQAllocator<U> &) const {
        return false;
    }
};

template <class T>
using sqvector = std::vector<T, SQAllocator<T>>;
using sqstring = std::basic_string<char, std::char_traits<char>, SQAllocator<char>>;

// Base of every class the library allocates with new.
struct SQAllocated {
    static void *operator new(size_t size) { return sq_vm_malloc(size); }
    static void *operator new[](size_t size) { return sq_vm_malloc(size); }
    static void *operator new(size_t, void *place) noexcept { return place; }
    static void operator delete(void *p) noexcept { sq_vm_free(p); }
    static void operator delete[](void *p) noexcept { sq_vm_free(p); }
    static void operator delete(void *, void *) noexcept {}
};
