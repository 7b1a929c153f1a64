#include "script/script_args.h"

#include "core/zstring.h"
#include "script/script_api.h"
#include "script/script_object.h"
#include "script/value_classes.h"

bool RegisterScriptNatives(HSQUIRRELVM vm, const ScriptNative* rows, size_t count) {
    bool ok = true;
    for (size_t i = 0; i < count; ++i)
        ok = RegisterScriptFunction(vm, rows[i].function, rows[i].name, rows[i].typeMask) && ok;
    return ok;
}

SQInteger ScriptDoNothing(HSQUIRRELVM /*vm*/) {
    return 0;
}

bool RegisterScriptConstants(HSQUIRRELVM vm, const ScriptIntConstant* rows, size_t count) {
    bool ok = true;
    SQInteger top = sq_gettop(vm);
    sq_pushroottable(vm);
    for (size_t i = 0; i < count; ++i) {
        sq_pushstring(vm, rows[i].name, -1);
        sq_pushinteger(vm, rows[i].value);
        ok = SQ_SUCCEEDED(sq_newslot(vm, -3, SQFalse)) && ok;
    }
    sq_settop(vm, top);
    return ok;
}

// Arguments sit above the hidden environment at stack index 1.
static SQInteger StackIndex(int position) {
    return SQInteger(position) + 1;
}

SQInteger ScriptArgs::Error(const char* text) {
    if (m_ok) sq_throwerror(m_vm, text);
    m_ok = false;
    return Fail();
}

bool ScriptArgs::Read(bool succeeded) {
    if (!succeeded) m_ok = false;
    return succeeded;
}

SQInteger ScriptArgs::Count() const {
    return sq_gettop(m_vm) - 1;
}

SQObjectType ScriptArgs::Type(int position) const {
    if (position < 1 || position > Count()) return OT_NULL;
    return sq_gettype(m_vm, StackIndex(position));
}

SQInteger ScriptArgs::Integer(int position) {
    SQInteger value = 0;
    if (m_ok && !Read(SQ_SUCCEEDED(sq_getinteger(m_vm, StackIndex(position), &value)))) return 0;
    return value;
}

SQFloat ScriptArgs::Number(int position) {
    SQFloat value = 0;
    if (m_ok && !Read(SQ_SUCCEEDED(sq_getfloat(m_vm, StackIndex(position), &value)))) return 0;
    return value;
}

bool ScriptArgs::Bool(int position) {
    SQBool value = SQFalse;
    if (m_ok && !Read(SQ_SUCCEEDED(sq_getbool(m_vm, StackIndex(position), &value)))) return false;
    return value != SQFalse;
}

const char* ScriptArgs::String(int position) {
    const SQChar* value = nullptr;
    if (!m_ok || !Read(SQ_SUCCEEDED(sq_getstring(m_vm, StackIndex(position), &value))) || !value) return "";
    return value;
}

zVector ScriptArgs::Vector(int position) {
    float values[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    if (m_ok) Read(GetVectorArgument(m_vm, StackIndex(position), values));
    return zVector(values[0], values[1], values[2], values[3]);
}

void ScriptArgs::UV(int position, float out[2]) {
    out[0] = out[1] = 0.0f;
    if (m_ok && !Read(GetUVArgument(m_vm, StackIndex(position), out))) out[0] = out[1] = 0.0f;
}

void ScriptArgs::Rect(int position, i32 out[4]) {
    for (int i = 0; i < 4; ++i)
        out[i] = 0;
    if (m_ok && !Read(GetRectArgument(m_vm, StackIndex(position), out)))
        for (int i = 0; i < 4; ++i)
            out[i] = 0;
}

void* ScriptArgs::FetchObject(int position, i32 kind, const char* nullText) {
    if (!m_ok) return nullptr;
    void* object = nullptr;
    if (!Read(FetchScriptObject(m_vm, StackIndex(position), &object, kind))) return nullptr;
    if (!object && nullText) Error(nullText);
    return object;
}

i32 ScriptArgs::Kind(int position) const {
    i32 kind = 0;
    // The kind read drops the library's last error: after a failed read it
    // would lose the error raised.
    if (!m_ok || position < 1 || position > Count() || !GetScriptObjectKind(m_vm, StackIndex(position), kind)) return -1;
    return kind;
}

SQInteger ScriptArgs::Return(SQInteger value) {
    sq_pushinteger(m_vm, value);
    return 1;
}

SQInteger ScriptArgs::Return(SQFloat value) {
    sq_pushfloat(m_vm, value);
    return 1;
}

SQInteger ScriptArgs::Return(bool value) {
    sq_pushbool(m_vm, value ? SQTrue : SQFalse);
    return 1;
}

SQInteger ScriptArgs::Return(const char* text) {
    sq_pushstring(m_vm, text ? text : "", -1);
    return 1;
}

SQInteger ScriptArgs::Return(const zString& text) {
    return Return(static_cast<const char*>(text));
}

SQInteger ScriptArgs::ReturnObject(void* object, i32 kind) {
    return PushScriptObject(m_vm, object, kind, false) ? 1 : Fail();
}

SQInteger ScriptArgs::ReturnOwnedObject(void* object, i32 kind) {
    return PushScriptObject(m_vm, object, kind, true) ? 1 : Fail();
}

SQInteger ScriptArgs::ReturnVector(const zVector& value) {
    return PushVector(m_vm, value.x, value.y, value.z, value.w) ? 1 : Fail();
}

SQInteger ScriptArgs::ReturnUV(float u, float v) {
    return PushUVInstance(m_vm, u, v) ? 1 : Error("Failed to create UV instance.");
}

SQInteger ScriptArgs::ReturnMinMax(const zMinMax& bounds) {
    return PushMinMaxValue(m_vm, bounds) ? 1 : Fail();
}

SQInteger ScriptArgs::ReturnRect(i32 sx, i32 sy, i32 ex, i32 ey) {
    return PushRectValue(m_vm, sx, sy, ex, ey) ? 1 : Fail();
}
