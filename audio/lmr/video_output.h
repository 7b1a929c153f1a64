// lmr_VideoOutput: where a media stream puts its video frames. The stream's
// video side demuxes until a frame is ready, presents it each time its video
// clock runs out and flushes on close; at most one frame waits between
// decoding and presentation. A texture's stream interface is the one output.
#pragma once

#include "core/types.h"

// A frame format: pixel format id (1 three planes, 2 packed 32-bit), size.
struct lmr_VideoFormat {
    u32 pixelFormat = 0;
    u32 width = 0;
    u32 height = 0;
};

class lmr_VideoOutput {
  public:
    lmr_VideoOutput() = default;
    virtual ~lmr_VideoOutput() = default;
    lmr_VideoOutput(const lmr_VideoOutput&) = delete;
    lmr_VideoOutput& operator=(const lmr_VideoOutput&) = delete;

    virtual u32 Query() { return 0; }
    virtual bool SetFormat(const lmr_VideoFormat& format) = 0;
    virtual bool WriteFrame(const u8* const* planes, u32 size) = 0;
    virtual bool IsFrameReady() = 0;
    virtual bool NeedsFrame() = 0;
    virtual void Flush() { m_nextFrameTime = 0; }
    virtual bool SupportsGapless() { return false; }
    virtual bool PresentFrame() = 0;
    virtual u8 GetFlag() { return m_flag; }

    // When t is not later than the next frame time, that time grows by one
    // frame period (100000000 / frame rate); else it becomes t.
    i32 ScheduleFrame(i32 t);
    // The scale that fits the display aspect into the picture (1, 1 when the
    // picture has no size).
    void FitScale(f32& sx, f32& sy) const;
    // The offsets that centre a picture scaled by (sx, sy).
    void FitOffset(f32 sx, f32 sy, f32& ox, f32& oy) const;

    u32 frameRate = 0;
    u32 pixelFormat = 0;
    u32 displayWidth = 0;
    u32 displayHeight = 0;
    u32 pictureWidth = 0;
    u32 pictureHeight = 0;
    f32 pixelAspect = 1.0f;

  protected:
    u8 m_flag = 0;
    i32 m_nextFrameTime = 0;
    u32 m_reserved = 0;
};
