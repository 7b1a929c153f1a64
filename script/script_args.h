// The argument reader of global natives and the rows their groups register.
//
// A native reads its arguments by position (1 is the first after the hidden
// environment), checks once and answers:
//
//     SQInteger ItemGetName(HSQUIRRELVM vm) {
//         ScriptArgs args(vm);
//         zItem* item = args.Object<zItem>(1, ScriptKindItem);
//         if (!args) return args.Fail();
//         return args.Return(item->GetName());
//     }
//
// The first failed read raises its error (the library's, the kind check's or
// the reader's own words); every later read returns a default and raises
// nothing, so the first error is the one the script sees.
#pragma once

#include <cstddef>

#include "core/bounds.h"
#include "core/types.h"
#include "core/vector.h"
#include "squirrel/squirrel.h"

class zString;

// One global native of a group: name, typemask (one position per parameter,
// the hidden environment first), function. Natives that share a function
// still get one row (and one closure with its own debug name) each.
struct ScriptNative {
    const char* name;
    const char* typeMask;
    SQFUNCTION function;
};

// One integer constant of a group, set in the root table.
struct ScriptIntConstant {
    const char* name;
    SQInteger value;
};

// Registers the rows in order with RegisterScriptFunction; false when any
// row is refused (a bad mask, a null function).
bool RegisterScriptNatives(HSQUIRRELVM vm, const ScriptNative* rows, size_t count);
template <size_t Count> bool RegisterScriptNatives(HSQUIRRELVM vm, const ScriptNative (&rows)[Count]) {
    return RegisterScriptNatives(vm, rows, Count);
}

// The one native of obsolete names that do nothing: no value, the stack as
// it was.
SQInteger ScriptDoNothing(HSQUIRRELVM vm);

// Sets each constant as an integer slot of the root table.
bool RegisterScriptConstants(HSQUIRRELVM vm, const ScriptIntConstant* rows, size_t count);
template <size_t Count> bool RegisterScriptConstants(HSQUIRRELVM vm, const ScriptIntConstant (&rows)[Count]) {
    return RegisterScriptConstants(vm, rows, Count);
}

class ScriptArgs {
  public:
    explicit ScriptArgs(HSQUIRRELVM vm) : m_vm(vm) {}

    explicit operator bool() const { return m_ok; }
    HSQUIRRELVM Vm() const { return m_vm; }
    // What a native returns after a failed read: the error is already set.
    SQInteger Fail() const { return SQ_ERROR; }
    // Raises the text (when nothing was raised yet) and returns Fail().
    SQInteger Error(const char* text);

    // Arguments after the hidden environment.
    SQInteger Count() const;
    SQObjectType Type(int position) const;

    // sq_getinteger (a float is truncated), sq_getfloat (an integer is
    // converted), sq_getbool (bools only), sq_getstring (strings only). A
    // failed read raises the library's error and returns 0 / false / "".
    SQInteger Integer(int position);
    SQFloat Number(int position);
    bool Bool(int position);
    const char* String(int position);

    // The four floats of a Vector (w included); "invalid type tag" when the
    // instance is of another class.
    zVector Vector(int position);
    // The two floats of a UV.
    void UV(int position, float out[2]);
    // The sx, sy, ex, ey members of a Rect, truncated.
    void Rect(int position, i32 out[4]);

    // The engine object of a CObject of the kind (0: any). A value of the
    // wrong class or kind raises ("Expected '<kind>' got '<kind>'"), and so
    // does a handle holding nothing, with nullText ("CObject is null").
    template <class T> T* Object(int position, i32 kind, const char* nullText = "CObject is null") {
        return static_cast<T*>(FetchObject(position, kind, nullText));
    }
    // As Object, but a handle holding nothing is no error: null comes back.
    template <class T> T* ObjectOrNull(int position, i32 kind) {
        return static_cast<T*>(FetchObject(position, kind, nullptr));
    }
    // The kind of the CObject at the position; -1 (no error) for anything else
    // and after a failed read.
    i32 Kind(int position) const;

    // Results: each pushes one value and returns 1; None pushes nothing.
    SQInteger None() const { return 0; }
    SQInteger Return(SQInteger value);
    SQInteger Return(u32 value) { return Return(SQInteger(value)); }
    SQInteger Return(SQFloat value);
    SQInteger Return(double value) { return Return(SQFloat(value)); }
    SQInteger Return(bool value);
    SQInteger Return(const char* text);
    SQInteger Return(const zString& text);
    // A CObject handle of the kind, not owned (a null object gives an empty handle).
    SQInteger ReturnObject(void* object, i32 kind);
    // A handle that deletes the object with its last reference.
    SQInteger ReturnOwnedObject(void* object, i32 kind);
    // A new bare Vector / UV / MinMax (constructed by the start-up script's
    // class) / Rect.
    SQInteger ReturnVector(const zVector& value);
    SQInteger ReturnUV(float u, float v);
    SQInteger ReturnMinMax(const zMinMax& bounds);
    SQInteger ReturnRect(i32 sx, i32 sy, i32 ex, i32 ey);

  private:
    void* FetchObject(int position, i32 kind, const char* nullText);
    bool Read(bool succeeded);

    HSQUIRRELVM m_vm;
    bool m_ok = true;
};
