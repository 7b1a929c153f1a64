// What the methods of the value classes share. A method finds its floats in
// the block of `this` (stack index 1) or of an argument, checked against the
// class's type tag; a reader that fails has raised the class's words
// ("Invalid instance type" for a value of another class, "Internal failure"
// for an instance without its block) and the method returns SQ_ERROR.
//
// A block holds at least four floats (a UV uses two) and belongs to one
// instance: constructors and _cloned give `this` a block of its own, never
// one shared with another instance, so each is freed once.
#pragma once

#include "core/matrix.h"
#include "core/vector.h"
#include "script/value_classes.h"

// _typeof of a value class: its name.
template <const ScriptClassDescriptor& Class> SQInteger ValueTypeof(HSQUIRRELVM vm) {
    sq_pushstring(vm, Class.className, -1);
    return 1;
}

// Arguments after `this`.
inline SQInteger ValueArgumentCount(HSQUIRRELVM vm) {
    return sq_gettop(vm) - 1;
}

// True when the value at the index is an instance of the class (or of one
// derived from it); block is then its floats, null when it has none. Raises
// nothing, so a method may try several classes in turn.
bool IsValueInstance(HSQUIRRELVM vm, SQInteger index, const ScriptClassDescriptor& descriptor, float*& block);

// The block of an instance of the class at the index; null after raising
// "Invalid instance type" for any other value, or emptyText when it has none.
float* ValueArgument(HSQUIRRELVM vm, SQInteger index, const ScriptClassDescriptor& descriptor,
                     const char* emptyText = "Internal failure");
inline float* ValueSelf(HSQUIRRELVM vm, const ScriptClassDescriptor& descriptor) {
    return ValueArgument(vm, 1, descriptor);
}

// The block of `this`, made with the release hook when it has none yet (a
// constructor, or _cloned on a fresh clone); an existing block is reused.
// Null after raising "Invalid instance type" or "Internal failure".
float* OwnValueBlock(HSQUIRRELVM vm, const ScriptClassDescriptor& descriptor, int count);

// count numbers from the index on, as floats; false at the first value that
// is not a number.
bool ReadValueFloats(HSQUIRRELVM vm, SQInteger index, int count, float* out);

inline zVector VectorOfBlock(const float* block) {
    return zVector(block[0], block[1], block[2], block[3]);
}
inline zMatrix3 Matrix3OfBlock(const float* block) {
    zMatrix3 matrix;
    for (int i = 0; i < 9; ++i)
        matrix.m[i] = block[i];
    return matrix;
}
inline zMatrix4 Matrix4OfBlock(const float* block) {
    zMatrix4 matrix;
    for (int i = 0; i < 16; ++i)
        matrix.e[i] = block[i];
    return matrix;
}

// The name Print logs under: its first argument, or the fallback when there
// is none (or it is no string).
const char* ValuePrintName(HSQUIRRELVM vm, const char* fallback);

// A new instance holding the value, returned by the method (1); an error
// when it cannot be made.
SQInteger ReturnVectorInstance(HSQUIRRELVM vm, const zVector& value);
SQInteger ReturnMatrix3Instance(HSQUIRRELVM vm, const zMatrix3& value);
SQInteger ReturnMatrix4Instance(HSQUIRRELVM vm, const zMatrix4& value);

// The way _get and _set fail for a key that names nothing: no error, so the
// VM reports the member as missing.
inline SQInteger ValueKeyMiss(HSQUIRRELVM vm) {
    sq_reseterror(vm);
    return SQ_ERROR;
}
