// Small owned arrays of 16-bit and 8-bit values, and the sorts of {key, value}
// pairs used by the render sort, the emitters and the animation code.
#pragma once

#include "core/types.h"

// An owned array of 16-bit values; resizing frees the old values.
class zArrayU16 {
  public:
    zArrayU16() : m_count(0), m_data(nullptr) {}
    ~zArrayU16() { Resize(0); }

    // Frees the old storage, then allocates count zeroed values (0: left empty).
    // False, and left empty, when the allocation fails.
    bool Resize(u32 count);

    u32 GetCount() const { return m_count; }
    u16* GetData() { return m_data; }
    const u16* GetData() const { return m_data; }

  private:
    zArrayU16(const zArrayU16&) = delete;
    zArrayU16& operator=(const zArrayU16&) = delete;

    u32 m_count;
    u16* m_data;
};

// An owned array of bytes; resizing frees the old bytes.
class zArrayU8 {
  public:
    zArrayU8() : m_count(0), m_data(nullptr) {}
    // Allocates as Resize does; an allocation failure leaves it empty.
    explicit zArrayU8(u32 count) : zArrayU8() { Resize(count); }
    ~zArrayU8() { Resize(0); }

    // Frees the old storage, then allocates count zeroed bytes (0: true, left
    // empty). False, and left empty, when the allocation fails.
    bool Resize(u32 count);

    u32 GetCount() const { return m_count; }
    u8* GetData() { return m_data; }
    const u8* GetData() const { return m_data; }

  private:
    zArrayU8(const zArrayU8&) = delete;
    zArrayU8& operator=(const zArrayU8&) = delete;

    u32 m_count;
    u8* m_data;
};

struct zSortPair {
    f32 key;
    u32 value;
};

// Swaps both words of two pairs; returns the first.
zSortPair* SwapPairs(zSortPair* a, zSortPair* b);

// Sorts pairs[first .. last] (inclusive) in place into ascending key order
// (quicksort, not stable).
void SortPairsByKey(zSortPair* pairs, i32 first, i32 last);

struct zWordPair {
    u32 key;
    u32 value;
};

// Copies count pairs to output sorted by ascending key; equal keys keep their
// order (bubble sort). input and output may be the same array.
void BubbleSortPairs(const zWordPair* input, zWordPair* output, u32 count);
