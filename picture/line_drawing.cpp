#include <cmath>
#include <utility>

#include "picture/picture.h"

// Every value is a 32-bit float and is rounded to one each time it is
// stored: the samples of a line are exact, and tests compare them so.

namespace {

// Clips the segment on one axis: a is the axis clipped (its delta da), b the
// other one. False when nothing of the segment is left between low and high.
// A zero delta leaves the deltas as they are; otherwise they are recomputed
// from the clipped end points.
bool ClipAxis(f32& a0, f32& b0, f32& a1, f32& b1, f32& da, f32& db, f32 low, f32 high) {
    if (da == 0.0f) return !(a0 < low || a0 > high);
    if (da < 0.0f) {
        std::swap(a0, a1);
        std::swap(b0, b1);
        da = a1 - a0;
        db = b1 - b0;
    }
    if (a1 < low) return false;
    const f32 reciprocal = 1.0f / da;
    f32 t = (high - a0) * reciprocal;
    if (t < 1.0f) {
        a1 = high;
        b1 = b0 + t * db;
    }
    if (high < a0) return false;
    t = (low - a0) * reciprocal;
    if (t > 0.0f) {
        a0 = low;
        b0 = b0 + t * db;
    }
    da = a1 - a0;
    db = b1 - b0;
    return true;
}

} // namespace

void zPicture::DrawLine(f32 x0, f32 y0, f32 x1, f32 y1, f32 red, f32 green, f32 blue, f32 alpha,
                        const f32* clip) {
    if (!m_pixels || m_format.bitsPerPixel != 32 || m_format.floatFlag) return;
    if (m_width < 2 || m_height < 2) return;
    // The caller's rectangle within the picture; a NaN edge takes the
    // picture's.
    const f32 maxX = f32(m_width - 1), maxY = f32(m_height - 1);
    f32 left = 0.0f, top = 0.0f, right = maxX, bottom = maxY;
    if (clip) {
        left = clip[0] > 0.0f ? clip[0] : 0.0f;
        top = clip[1] > 0.0f ? clip[1] : 0.0f;
        right = clip[2] < maxX ? clip[2] : maxX;
        bottom = clip[3] < maxY ? clip[3] : maxY;
    }
    // An inverted rectangle holds nothing (the clip steps alone would still
    // draw between its edges).
    if (!(left <= right && top <= bottom)) return;

    f32 dx = x1 - x0;
    f32 dy = y1 - y0;
    // Snap the start on the major axis, along the line. The deltas still
    // measure from the unsnapped start until clipping recomputes them.
    if (std::fabs(dx) >= std::fabs(dy)) {
        const f32 snapped = std::floor(x0);
        if (dx != 0.0f) y0 = y0 - dy * (x0 - snapped) / dx;
        x0 = snapped;
    } else {
        const f32 snapped = std::floor(y0);
        if (dy != 0.0f) x0 = x0 - dx * (y0 - snapped) / dy;
        y0 = snapped;
    }
    if (!ClipAxis(x0, y0, x1, y1, dx, dy, left, right)) return;
    if (!ClipAxis(y0, x0, y1, x1, dy, dx, top, bottom)) return;

    const bool xMajor = std::fabs(dx) >= std::fabs(dy);
    f32& major0 = xMajor ? x0 : y0;
    f32& minor0 = xMajor ? y0 : x0;
    f32& major1 = xMajor ? x1 : y1;
    f32& minor1 = xMajor ? y1 : x1;
    f32 majorDelta = xMajor ? dx : dy;
    f32 minorDelta = xMajor ? dy : dx;
    if (majorDelta < 0.0f) {
        const f32 start = major0;
        major0 = major1;
        minor0 = minor1;
        major1 = start;
        majorDelta = -majorDelta;
        minorDelta = -minorDelta;
    }
    const f32 slope = majorDelta != 0.0f ? minorDelta / majorDelta : 0.0f;
    // The clip keeps major1 within the picture, so the steps are few; the
    // progress test only guards against a coordinate too large to step.
    while (major0 < major1) {
        PutPixelFiltered(x0, y0, red, green, blue, alpha);
        minor0 = minor0 + slope;
        const f32 next = major0 + 1.0f;
        if (next == major0) break;
        major0 = next;
    }
}
