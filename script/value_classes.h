// The value classes natives hand to scripts by value: Vector (four floats)
// and UV (two floats). Their instances own a float block freed by one release
// hook; the descriptors are the classes' type tags. Their method tables grow
// with the classes' own methods.
#pragma once

#include "script/script_class.h"

extern const ScriptClassDescriptor g_VectorClass;
extern const ScriptClassDescriptor g_UVClass;

// Frees the float block of a Vector, UV, Matrix3 or Matrix4 instance.
SQInteger ReleaseScriptValueBlock(SQUserPointer block, SQInteger size);

// A bare instance holding a copy of the floats, left on top; false (nothing
// pushed, copy freed) when it cannot be made.
bool PushVectorInstance(HSQUIRRELVM vm, float x, float y, float z, float w);
bool PushUVInstance(HSQUIRRELVM vm, float u, float v);
