// The value classes natives hand to scripts by value: Vector (four floats)
// and UV (two floats). Their instances own a float block freed by one release
// hook; the descriptors are the classes' type tags. Their method tables grow
// with the classes' own methods.
#pragma once

#include "script/script_class.h"

extern const ScriptClassDescriptor g_VectorClass;
extern const ScriptClassDescriptor g_UVClass;
extern const ScriptClassDescriptor g_Matrix3Class;
extern const ScriptClassDescriptor g_Matrix4Class;

struct zMatrix3;
struct zMatrix4;

// Registers Vector, Matrix3, Matrix4 and UV in this order (the last step of
// the script API's registration); false when one is refused.
bool RegisterValueClasses(HSQUIRRELVM vm);

// Frees the float block of a Vector, UV, Matrix3 or Matrix4 instance.
SQInteger ReleaseScriptValueBlock(SQUserPointer block, SQInteger size);

// A bare instance holding a copy of the floats, left on top; false (nothing
// pushed, copy freed) when it cannot be made.
bool PushVectorInstance(HSQUIRRELVM vm, float x, float y, float z, float w);
bool PushUVInstance(HSQUIRRELVM vm, float u, float v);
// Bare Matrix3 / Matrix4 instances holding a copy of the matrix (column-major,
// as the engine keeps it).
bool PushMatrix3Instance(HSQUIRRELVM vm, const zMatrix3& matrix);
bool PushMatrix4Instance(HSQUIRRELVM vm, const zMatrix4& matrix);
// The matrix of a Matrix3 / Matrix4 instance at the index; false with the
// library's "invalid type tag" set for an instance of another class.
// Copies count floats of the instance's block when it is of the descriptor's
// class; false with the library's error set otherwise.
bool GetScriptValueBlock(HSQUIRRELVM vm, SQInteger index, const ScriptClassDescriptor& descriptor, float* out,
                         int count);
bool GetMatrix3Argument(HSQUIRRELVM vm, SQInteger index, zMatrix3& out);
bool GetMatrix4Argument(HSQUIRRELVM vm, SQInteger index, zMatrix4& out);
