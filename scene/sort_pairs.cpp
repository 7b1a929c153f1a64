#include "scene/sort_pairs.h"

zKeyValuePair* SwapPairs(zKeyValuePair* a, zKeyValuePair* b) {
    zKeyValuePair kept = *a;
    *a = *b;
    *b = kept;
    return a;
}

void SortPairsByKey(zKeyValuePair* pairs, i32 first, i32 last) {
    while (first < last) {
        SwapPairs(&pairs[first], &pairs[first + (last - first) / 2]);
        const f32 pivot = pairs[first].key;
        i32 split = first;
        for (i32 i = first + 1; i <= last; ++i) {
            if (pairs[i].key < pivot) SwapPairs(&pairs[++split], &pairs[i]);
        }
        SwapPairs(&pairs[first], &pairs[split]);
        // Both parts are sorted independently, so the order of the two calls
        // does not change the result.
        if (split - first < last - split) {
            SortPairsByKey(pairs, first, split - 1);
            first = split + 1;
        } else {
            SortPairsByKey(pairs, split + 1, last);
            last = split - 1;
        }
    }
}
