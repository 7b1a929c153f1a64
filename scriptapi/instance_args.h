// Vector and matrix arguments and matrix results of the natives that answer an instance of the
// wrong class with "Invalid instance type" (rather than the library's "invalid
// type tag"). Positions count as ScriptArgs counts them; after an earlier
// failed read nothing is read and nothing more is raised.
#pragma once

#include "core/matrix.h"
#include "core/vector.h"
#include "script/script_args.h"

// The four floats of a Vector (a colour: r, g, b, a).
bool ReadVectorArgument(ScriptArgs& args, int position, zVector& out);
// A Vector read as a point: x, y, z, with w forced to 1.
bool ReadPointArgument(ScriptArgs& args, int position, zVector& out);
// A Vector read exactly: x, y, z and w as they are (colours keep their alpha).
bool ReadVectorArgument(ScriptArgs& args, int position, zVector& out);
bool ReadMatrix3Argument(ScriptArgs& args, int position, zMatrix3& out);
bool ReadMatrix4Argument(ScriptArgs& args, int position, zMatrix4& out);

// A new bare Matrix3 / Matrix4 holding a copy of the matrix.
SQInteger ReturnMatrix3(ScriptArgs& args, const zMatrix3& matrix);
SQInteger ReturnMatrix4(ScriptArgs& args, const zMatrix4& matrix);
