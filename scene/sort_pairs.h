// Sorting of {key, value} pairs by key, shared by the render sort, the
// emitters and the animation code. The value is whatever the caller needs to
// find its element again (an index, an id); it travels with its key.
#pragma once

#include "core/types.h"

struct zKeyValuePair {
    f32 key;
    u32 value;
};

// Exchanges both words of the two pairs; returns the first.
zKeyValuePair* SwapPairs(zKeyValuePair* a, zKeyValuePair* b);

// Quicksort of pairs[first..last] (both inclusive) into ascending key order,
// in place and not stable: equal keys may change their order. A range with
// last <= first is left alone. The middle element is the pivot, so sorted and
// reversed input stay fast; the recursion always takes the smaller part, so
// its depth stays logarithmic whatever the keys (NaN keys never compare below
// anything and are left where the partitions put them).
void SortPairsByKey(zKeyValuePair* pairs, i32 first, i32 last);
