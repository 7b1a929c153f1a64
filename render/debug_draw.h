// Wire shapes for debugging, drawn through the renderer's DrawLine (the solid
// box through DrawTriangle). A null colour selects the shape's default; shapes
// built from others pass their colour on unchanged, so a null colour reaches
// the inner shape. Computed points have w = 1 unless said otherwise.
//
// Orientation matrices map a local offset o to (row 0 . o, row 1 . o,
// row 2 . o); null is the identity. Angles accumulate in single precision:
// DrawCircle's loop count depends on it.
#pragma once

#include "core/bounds.h"
#include "core/matrix.h"
#include "core/types.h"
#include "core/vector.h"

class zRenderer;

// Skipped while the renderer is closed. Three segments along x, y and z
// through the point, from -size to +size; both ends keep the point's w.
// Default colour white.
void DrawCross(zRenderer* renderer, const zVector& point, f32 size, const f32* color = nullptr);
// The twelve edges of the oriented box. Default colour orange.
void DrawBox(zRenderer* renderer, const zOrientedBox& box, const f32* color = nullptr);
// Twelve triangles with the caller's DrawTriangle flags. Default colour orange.
void DrawSolidBox(zRenderer* renderer, const zOrientedBox& box, const f32* color, u32 flags);
// Skipped while closed. The twelve edges of the axis-aligned box: the face
// at min y, the face at max y, then the four edges along y. Default colour
// (0.5, 1, 0, 1).
void DrawMinMax(zRenderer* renderer, const zMinMax& box, const f32* color = nullptr);
// DrawMinMax of the cube of half size halfSize. Default colour (0, 0.5, 1, 1).
void DrawCube(zRenderer* renderer, const zVector& center, f32 halfSize, const f32* color = nullptr);
// Skipped while closed. A white square of half size halfSize in the plane of
// constant z; z and w from the point.
void DrawSquare(zRenderer* renderer, const zVector& point, f32 halfSize);

// A circle in the local xy plane in 10 degree segments; the colour goes to
// DrawLine as given.
void DrawCircle(zRenderer* renderer, const zVector& center, f32 radius, const zMatrix3* orientation,
                const f32* color);
// Three axis-aligned circles, 108 segments. Default colour yellow.
void DrawSphere(zRenderer* renderer, const zVector& center, f32 radius, const f32* color = nullptr);
// Three circles about the matrix's origin, mapped by its rotation and
// translation, 72 segments. Default colour white.
void DrawSphereTransformed(zRenderer* renderer, const zMatrix4& matrix, f32 radius,
                           const f32* color = nullptr);
void DrawCylinder(zRenderer* renderer, const zVector& center, f32 radius, f32 height,
                  const zMatrix3* orientation, const f32* color);
// The end spheres are not turned by the orientation.
void DrawCapsule(zRenderer* renderer, const zVector& center, f32 radius, f32 height,
                 const zMatrix3* orientation, const f32* color);
void DrawCone(zRenderer* renderer, const zVector& center, f32 radius, f32 height, const zMatrix3* orientation,
              const f32* color);
