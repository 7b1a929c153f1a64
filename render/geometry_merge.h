// Joining two geometries into one (the script's item merge, two at a time)
// and folding a geometry's identical materials together.
//
// MergeItemGeometries makes a new geometry of a's engine: a's vertices moved
// by matrixA, then b's moved by matrixB (null: identity); a's polygons, then
// b's with their vertex and material indices past a's; normals turned with
// their side's matrix (inverse transpose, so that a scaled side keeps them
// perpendicular) and normalised; colours and UV channels where either side
// has them, zeros for a side without. Each material is copied through its
// "Material" tag (Serialize, then Parse into a new material), and the copies
// are folded by MergeMaterials(MaterialMergeNames | MaterialMergeStages).
// When either side has polygon (or binding) normals, both sides get theirs
// computed first, and both recount their bindings: the inputs change that
// much. Null, logged, when an input is null, when the counts would overflow
// or when memory fails.
#pragma once

#include "core/matrix.h"
#include "core/shared_object.h"
#include "render/geometry.h"

zSharedPtr<zGeometry> MergeItemGeometries(zGeometry* a, zGeometry* b, const zMatrix4* matrixA,
                                          const zMatrix4* matrixB);
