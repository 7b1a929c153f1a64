// lmr_Decoder: what an MPEG audio or video decoder would offer a media
// stream. This system links none, so no stream ever holds one; the stream's
// feeds and the MPEG audio demuxer's seek call into it when one is attached.
#pragma once

#include "core/types.h"

class lmr_Decoder {
  public:
    virtual ~lmr_Decoder() = default;
    // One packet's payload [data, end) with its time in 1/10000 s.
    virtual void Decode(const u8* data, const u8* end, u32 time) = 0;
    virtual void Reset() = 0;
    // Positioning for a seek: true once the bytes reach past timeMs.
    virtual bool Position(const u8* data, const u8* end, u32 timeMs) = 0;
};
