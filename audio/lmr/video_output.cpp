#include "audio/lmr/video_output.h"

i32 lmr_VideoOutput::ScheduleFrame(i32 t) {
    if (t <= m_nextFrameTime) {
        // A frame rate of 0 has no period; the time stays.
        if (frameRate != 0) m_nextFrameTime += i32(100000000u / frameRate);
    } else {
        m_nextFrameTime = t;
    }
    return m_nextFrameTime;
}

void lmr_VideoOutput::FitScale(f32& sx, f32& sy) const {
    sx = sy = 1.0f;
    if (pictureWidth == 0 || pictureHeight == 0) return;
    f32 source = 16.0f / 9.0f;
    if (pixelAspect == 1.0f) {
        if (displayHeight == 0) return;
        source = f32(displayWidth) / f32(displayHeight);
    }
    const f32 target = f32(pictureWidth) / f32(pictureHeight);
    if (source <= target) {
        sx = source / target;
    } else {
        sy = target / source;
    }
}

void lmr_VideoOutput::FitOffset(f32 sx, f32 sy, f32& ox, f32& oy) const {
    const f32 w = f32(pictureWidth);
    const f32 h = f32(pictureHeight);
    ox = (w - sx * w) * 0.5f;
    oy = (h - sy * h) * 0.5f;
}
