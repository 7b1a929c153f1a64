// The height grid a scene or terrain tag claims, read without building it,
// for the targets that read terrains: a grid up to the reader's limit of
// 16384 x 16384 samples is valid, but allocating and walking it takes
// seconds, so inputs claiming more than a budget are skipped.
#pragma once

#include "core/types.h"

class zMetaTag;

constexpr u64 FuzzMaxTerrainArea = u64(1) << 16;

// The largest positive "Width" x "Height" of any "Heightmap" tag under root
// (root included); 0 when there is none.
u64 ClaimedTerrainArea(const zMetaTag* root);
