#include "core/small_arrays.h"

#include <cstring>
#include <new>

bool zArrayU16::Resize(u32 count) {
    delete[] m_data;
    m_data = nullptr;
    m_count = 0;
    if (count == 0) return true;
    m_data = new (std::nothrow) u16[count]();
    if (!m_data) return false;
    m_count = count;
    return true;
}

bool zArrayU8::Resize(u32 count) {
    delete[] m_data;
    m_data = nullptr;
    m_count = 0;
    if (count == 0) return true;
    m_data = new (std::nothrow) u8[count]();
    if (!m_data) return false;
    m_count = count;
    return true;
}

zSortPair* SwapPairs(zSortPair* a, zSortPair* b) {
    zSortPair held = *a;
    *a = *b;
    *b = held;
    return a;
}

void SortPairsByKey(zSortPair* pairs, i32 first, i32 last) {
    if (!pairs) return;
    while (first < last) {
        // The middle pair goes to the front as pivot; smaller keys gather behind it.
        SwapPairs(&pairs[first], &pairs[first + (last - first) / 2]);
        i32 boundary = first;
        for (i32 i = first + 1; i <= last; ++i) {
            if (pairs[i].key < pairs[first].key) SwapPairs(&pairs[++boundary], &pairs[i]);
        }
        SwapPairs(&pairs[first], &pairs[boundary]);
        // Recursing into the smaller part keeps the stack depth logarithmic;
        // the parts are disjoint, so the order of work does not change the result.
        if (boundary - first < last - boundary) {
            SortPairsByKey(pairs, first, boundary - 1);
            first = boundary + 1;
        } else {
            SortPairsByKey(pairs, boundary + 1, last);
            last = boundary - 1;
        }
    }
}

void BubbleSortPairs(const zWordPair* input, zWordPair* output, u32 count) {
    if (!input || !output || count == 0) return;
    if (input != output) std::memmove(output, input, count * sizeof(zWordPair));
    for (u32 pass = count - 1; pass > 0; --pass) {
        bool swapped = false;
        for (u32 i = 0; i < pass; ++i) {
            if (output[i + 1].key < output[i].key) {
                zWordPair held = output[i];
                output[i] = output[i + 1];
                output[i + 1] = held;
                swapped = true;
            }
        }
        if (!swapped) break;
    }
}
