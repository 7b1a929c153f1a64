// zScriptValue: the one value that crosses between the engine and the script
// VM (call arguments, slot values, event payloads).
//
// Kinds: none; a plain zVariant; a script object held by the engine, owned or
// not; a native engine object with its script object kind (a plain number,
// the kinds table belongs to the script layer). An owned script object is
// deleted when the value changes or dies.
#pragma once

#include "core/types.h"
#include "markup/variant.h"

// A script VM value held by the engine. The script layer derives its objects
// from it; the engine deletes them only through this destructor.
class zScriptObject {
public:
    virtual ~zScriptObject() = default;
};

enum zScriptValueKind : u32 {
    ScriptValueNone = 0,
    ScriptValueVariant = 1,
    ScriptValueObject = 2,
    ScriptValueNative = 3,
};

class zScriptValue {
public:
    zScriptValue();
    explicit zScriptValue(const zVariant& value);
    explicit zScriptValue(bool value);
    explicit zScriptValue(i32 value);
    explicit zScriptValue(f32 value);
    explicit zScriptValue(const char* value);
    zScriptValue(zScriptObject* object, bool owns);
    zScriptValue(void* native, u32 typeId);
    ~zScriptValue();

    void SetBool(bool value);
    void SetInt(i32 value);
    void SetFloat(f32 value);
    void SetString(const char* value);
    void SetVariant(const zVariant& value);
    void SetObject(zScriptObject* object, bool owns);
    void SetNative(void* native, u32 typeId);
    void Clear();

    u32 GetKind() const { return m_kind; }
    const zVariant& GetVariant() const { return m_value; }
    bool Owns() const { return m_owns; }
    zScriptObject* GetObject() const { return m_kind == ScriptValueObject ? m_object : nullptr; }
    void* GetNative() const { return m_kind == ScriptValueNative ? m_native : nullptr; }
    u32 GetTypeId() const { return m_typeId; }

private:
    zScriptValue(const zScriptValue&) = delete;
    zScriptValue& operator=(const zScriptValue&) = delete;

    // Deletes an owned script object and forgets any object.
    void DropObject();

    u32 m_kind;
    zVariant m_value;
    bool m_owns;
    zScriptObject* m_object;
    void* m_native;
    u32 m_typeId;
};
