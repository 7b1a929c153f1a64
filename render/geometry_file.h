// The geometry file: one ZML tag "Geometry" (zGeometry::ParseRootTag reads
// it, zGeometry::BuildRootTag writes it; both live in geometry_file.cpp).
//
// Binary payloads are 32-bit little-endian words (floats and u32), except the
// normals, which are three signed bytes per element (component x 127,
// truncated toward zero when written; divided by 127 and normalised when
// read). The writer emits the binary forms only; the reader also takes the
// text forms "AVertex", "APolygon", "ARGB" and "AUV".
//
// The reader trusts no count: every payload must hold exactly what its
// counts announce, every vertex index must be below the vertex count, corner
// counts and material indices must fit 16 bits and the corner counts must add
// up to the binding count. A file that breaks this is refused with a log line
// and leaves the geometry empty.
#pragma once

#include <cstddef>

class zGeometry;

// Parses a whole ZML document from the buffer and reads its first root into
// the geometry; false when the document or the geometry is refused.
bool LoadGeometryFromBuffer(zGeometry& geometry, const char* data, size_t size);
