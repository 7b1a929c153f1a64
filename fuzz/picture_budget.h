// The picture size a file's header claims, read without decoding it, for the
// picture targets: decoders rightly spend time on every claimed pixel, even
// when a few bytes of data then run out, so inputs claiming more than a
// budget are skipped and an input's time follows its bytes.
#pragma once

#include <cstddef>

#include "core/types.h"

constexpr u64 FuzzMaxPictureArea = u64(1) << 20;

// The largest width x height any of the formats the picture road reads could
// take from these bytes (JPEG frame headers, TGA, PNM, Radiance HDR, PSD, BMP,
// GIF, Softimage PIC, PNG); 0 when none applies. Numbers are saturated.
u64 ClaimedPictureArea(const u8* data, size_t size);
