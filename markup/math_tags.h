// ZML tags of the maths records: "Vector", "Vector2", "Mtx3", "Mtx4",
// "MinMax", "AABB", "OBB" and the quaternion's four-value tag. core/ knows
// nothing of ZML, so the readers and writers of zVector, zMatrix3, zMatrix4,
// zMatrixPair, zMinMax, zOrientedBox and zQuaternion live here as free
// functions (ParseVector stands for zVector::Parse, and so on).
//
// Readers take the children by position and never look at their names. A
// child's value must be a number (a float, or an int taken as a float); a
// missing or non-numeric child fails the read and leaves the output unchanged.
// Writers return a new tag that the caller owns (to be added to a tree); the
// name may be replaced, the default names stand in the declarations.
#pragma once

#include "core/bounds.h"
#include "core/matrix.h"
#include "core/quaternion.h"
#include "core/vector.h"
#include "markup/meta_tag.h"

// Every Serialize function gives a new tag that the caller owns, or null after
// logging when memory runs out (nothing is left half built).

// The first three children are x, y, z; a fourth, when present and a number,
// is w (w is kept otherwise).
bool ParseVector(const zMetaTag* tag, zVector& out);
// Children "X", "Y", "Z", and "W" when withW.
zMetaTag* SerializeVector(const zVector& value, const char* name = "Vector", bool withW = false);

bool ParseVector2(const zMetaTag* tag, zVector2& out);
// Children "X", "Y".
zMetaTag* SerializeVector2(const zVector2& value, const char* name = "Vector2");

// The first three children are rows 0, 1, 2, each a vector tag.
bool ParseMatrix3(const zMetaTag* tag, zMatrix3& out);
// Children "R0", "R1", "R2": the rows as vector tags without "W".
zMetaTag* SerializeMatrix3(const zMatrix3& value, const char* name = "Mtx3");

// The first four children are rows 0..3; a row's w goes to e[r+12]. A row
// without a fourth value takes that of an affine matrix (0, and 1 for row 3).
bool ParseMatrix4(const zMetaTag* tag, zMatrix4& out);
// Children "R0".."R3": the rows as vector tags with "W" (w = e[r+12]).
zMetaTag* SerializeMatrix4(const zMatrix4& value, const char* name = "Mtx4");

// The matrix as ParseMatrix4, then its inverse.
bool ParseMatrixPair(const zMetaTag* tag, zMatrixPair& out);
// The matrix only, as SerializeMatrix4.
zMetaTag* SerializeMatrixPair(const zMatrixPair& value, const char* name = "Mtx4");

// Children "Min" and "Max" as vector tags without "W".
zMetaTag* SerializeMinMax(const zMinMax& value, const char* name = "MinMax");

// "AABB" with "Position" (the centre) and "Scale" (the size), vector tags
// without "W"; read by position, the rotation is left as it is.
bool ParseAABB(const zMetaTag* tag, zOrientedBox& out);
zMetaTag* SerializeAABB(const zOrientedBox& value);
// "OBB" with "Position", "Scale" and "Matrix" (an "Mtx3"-form tag); read by
// position.
bool ParseOBB(const zMetaTag* tag, zOrientedBox& out);
zMetaTag* SerializeOBB(const zOrientedBox& value);

// x, y, z, w from the first four children.
bool ParseQuaternion(const zMetaTag* tag, zQuaternion& out);
