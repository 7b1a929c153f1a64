// The engine's pseudo-random generator: one process-wide state of two u32
// words, deterministic for a given seed (scripts rely on the sequence). Not
// thread-safe; the engine draws from the main thread only.
#pragma once

#include "core/types.h"

// Resets the state and advances it (seed & 0x1fff) steps, so seeds that differ
// only above bit 12 give the same sequence.
void SeedRand(u32 seed);
// The next value modulo n; 0 (and no step) when n is 0.
u32 RandInt(u32 n);
// The same generator under the name the render code uses: [0, n), 0 when n is 0.
u32 Random(u32 n);
// The low 16 bits of the next value times scale / 65536: [0, scale).
f32 RandFloat(f32 scale);
// lo + (hi - lo) * (low 16 bits) / 65536.
f32 RandRange(f32 lo, f32 hi);
// Like RandInt, but steps again (at most four steps in all) while the result
// equals the previous result of this function.
u32 RandIntNoRepeat(u32 n);
