// Free helpers of the picture operations (the operations themselves are
// zPicture members): rounding and clamping, float rectangle clipping and the
// bicubic resampler of 24-bit buffers.
#pragma once

#include "core/types.h"
#include "core/rect.h"

// low when value < low, else the smaller of value and high.
i32 ClampInt(i32 value, i32 low, i32 high);
// x truncated when x >= 0, else x - 1 truncated. NaN gives 0.
i32 FloorToInt(f32 x);
// x + 1 truncated when x >= 0, else x truncated. NaN gives 0.
i32 TruncUpToInt(f32 x);
// The larger left and top, the smaller right and bottom.
zRectF IntersectRectF(const zRectF& a, const zRectF& b);

// Clips a source rectangle and the destination rectangle it maps to against
// the source's and the destination's bounds, keeping the two in step (scale
// = destination size / source size). False when nothing is left.
bool ClipScaledRects(zRectF& source, zRectF& destination, const zRectF& sourceBounds,
                     const zRectF& destinationBounds);

// A newWidth x newHeight x 3 buffer (from AllocatePictureBuffer) resampled
// from a width x height x 3 one; null when a size is 0 or memory runs out.
u8* ResampleBicubic(const u8* pixels, u32 width, u32 height, u32 newWidth, u32 newHeight);
