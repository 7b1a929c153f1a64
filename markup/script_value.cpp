#include "markup/script_value.h"

zScriptValue::zScriptValue()
    : m_kind(ScriptValueNone), m_owns(false), m_object(nullptr), m_native(nullptr), m_typeId(0) {}

zScriptValue::zScriptValue(const zVariant& value) : zScriptValue() {
    SetVariant(value);
}

zScriptValue::zScriptValue(bool value) : zScriptValue() {
    SetBool(value);
}

zScriptValue::zScriptValue(i32 value) : zScriptValue() {
    SetInt(value);
}

zScriptValue::zScriptValue(f32 value) : zScriptValue() {
    SetFloat(value);
}

zScriptValue::zScriptValue(const char* value) : zScriptValue() {
    SetString(value);
}

zScriptValue::zScriptValue(zScriptObject* object, bool owns) : zScriptValue() {
    SetObject(object, owns);
}

zScriptValue::zScriptValue(void* native, u32 typeId) : zScriptValue() {
    SetNative(native, typeId);
}

zScriptValue::~zScriptValue() {
    DropObject();
}

void zScriptValue::DropObject() {
    if (m_owns) delete m_object;
    m_object = nullptr;
    m_native = nullptr;
    m_owns = false;
    m_typeId = 0;
}

void zScriptValue::SetBool(bool value) {
    DropObject();
    m_value.SetBool(value);
    m_kind = ScriptValueVariant;
}

void zScriptValue::SetInt(i32 value) {
    DropObject();
    m_value.SetInt(value);
    m_kind = ScriptValueVariant;
}

void zScriptValue::SetFloat(f32 value) {
    DropObject();
    m_value.SetFloat(value);
    m_kind = ScriptValueVariant;
}

void zScriptValue::SetString(const char* value) {
    DropObject();
    m_value.SetString(value);
    m_kind = ScriptValueVariant;
}

void zScriptValue::SetVariant(const zVariant& value) {
    DropObject();
    m_value.Set(value);
    m_kind = ScriptValueVariant;
}

void zScriptValue::SetObject(zScriptObject* object, bool owns) {
    if (object == m_object && m_kind == ScriptValueObject) {
        m_owns = owns;
        return;
    }
    DropObject();
    m_value.ResetValue();
    m_object = object;
    m_owns = owns && object;
    m_kind = ScriptValueObject;
}

void zScriptValue::SetNative(void* native, u32 typeId) {
    DropObject();
    m_value.ResetValue();
    m_native = native;
    m_typeId = typeId;
    m_kind = ScriptValueNative;
}

void zScriptValue::Clear() {
    DropObject();
    m_value.ResetValue();
    m_kind = ScriptValueNone;
}
