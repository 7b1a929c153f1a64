// The value classes natives hand to scripts by value: Vector (four floats),
// UV (two floats), Matrix3 (nine) and Matrix4 (sixteen, both column-major as
// the engine keeps them). Every instance owns its float block, freed by one
// release hook; the descriptors are the classes' type tags and carry the
// method tables (Vector and UV here, the matrices in matrix_classes.cpp).
//
// Component keys (_get / _set of Vector and UV): a string by its first
// character (_get: a one-character string only), a number by its integer
// value; 0, 'r', 'x' select x ... 3, 'a', 'w' select w, and 0, 'u' / 1, 'v'
// the UV's two. Element keys of the matrices: "mIJ", I the column and J the
// row, both below the matrix's size. A key that selects nothing is a clean
// miss: the VM reports the member as missing.
#pragma once

#include "core/vector.h"
#include "script/script_class.h"
#include "script/squirrel_object.h"

extern const ScriptClassDescriptor g_VectorClass;
extern const ScriptClassDescriptor g_UVClass;
extern const ScriptClassDescriptor g_Matrix3Class;
extern const ScriptClassDescriptor g_Matrix4Class;

struct zMatrix3;
struct zMatrix4;

// Registers Vector, Matrix3, Matrix4 and UV in this order (the last step of
// the script API's registration); false when one is refused.
bool RegisterValueClasses(HSQUIRRELVM vm);

// Gives back the float block of a Vector, UV, Matrix3 or Matrix4 instance
// (the release hook the value functions set).
SQInteger ReleaseScriptValueBlock(SQUserPointer block, SQInteger size);

// A bare instance holding a copy of the floats, left on top; false (nothing
// pushed, copy freed) when it cannot be made.
bool PushVectorInstance(HSQUIRRELVM vm, float x, float y, float z, float w);
bool PushUVInstance(HSQUIRRELVM vm, float u, float v);
// Bare Matrix3 / Matrix4 instances holding a copy of the matrix (column-major,
// as the engine keeps it).
bool PushMatrix3Instance(HSQUIRRELVM vm, const zMatrix3& matrix);
bool PushMatrix4Instance(HSQUIRRELVM vm, const zMatrix4& matrix);

// The same instances held by a script object, for natives that return
// through zScriptStack::ReturnObject; the object holds null when the
// instance cannot be made.
SquirrelObject NewVectorObject(HSQUIRRELVM vm, const zVector& value);
SquirrelObject NewUVObject(HSQUIRRELVM vm, float u, float v);
SquirrelObject NewMatrix3Object(HSQUIRRELVM vm, const zMatrix3& matrix);
SquirrelObject NewMatrix4Object(HSQUIRRELVM vm, const zMatrix4& matrix);

// Copies count floats of the instance's block when it is of the descriptor's
// class; false with the library's error ("invalid type tag", "the object is
// not a class instance") set otherwise, and false with "Internal failure"
// for an instance without its block.
bool GetScriptValueBlock(HSQUIRRELVM vm, SQInteger index, const ScriptClassDescriptor& descriptor, float* out,
                         int count);
// The matrix of a Matrix3 / Matrix4 instance at the index, as
// GetScriptValueBlock reads it.
bool GetMatrix3Argument(HSQUIRRELVM vm, SQInteger index, zMatrix3& out);
bool GetMatrix4Argument(HSQUIRRELVM vm, SQInteger index, zMatrix4& out);
