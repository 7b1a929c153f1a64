// What script API natives work with: zScriptStack reads a native's arguments
// by positive index and pushes its one result; SquirrelObject holds one
// reference to a script value and reads, writes and iterates it.
//
// SquirrelObject operations that push the held object remove what they
// pushed before returning (Exists included), except BeginIteration, which
// leaves the object and the iterator for sq_next until EndIteration.
#pragma once

#include "core/types.h"
#include "squirrel/squirrel.h"

class SquirrelObject {
  public:
    // Holds null.
    explicit SquirrelObject(HSQUIRRELVM vm);
    // Holds the raw handle's object, with a reference taken in vm.
    SquirrelObject(HSQUIRRELVM vm, const HSQOBJECT& handle);
    SquirrelObject(const SquirrelObject& other);
    virtual ~SquirrelObject();

    // Keeps this handle's VM.
    SquirrelObject& operator=(const SquirrelObject& other);
    SquirrelObject& operator=(SQInteger value);

    // Takes the object at the stack index, releasing the one held before.
    void SetFromStack(SQInteger index);

    HSQUIRRELVM GetVM() const { return m_vm; }
    const HSQOBJECT& GetObjectHandle() const { return m_object; }
    SQObjectType GetType() const { return m_object._type; }

    bool IsNull() const;
    bool IsNumeric() const;
    // The text of a held string, else null.
    const SQChar* ToString() const;
    SQInteger ToInteger() const;
    SQFloat ToFloat() const;
    bool ToBool() const;
    // Size of an array, table or string; 0 for anything else.
    SQInteger GetSize() const;
    // A copy of a held table or array; null for anything else.
    SquirrelObject Clone() const;
    // The delegate of a held table or user data; null for anything else.
    SquirrelObject GetDelegate() const;
    // For a held table or user data and a table or null delegate.
    bool SetDelegate(const SquirrelObject& delegate);
    bool ArrayAppend(const SquirrelObject& value);

    bool SetValue(SQInteger key, const SquirrelObject& value);
    bool SetValue(SQInteger key, SQInteger value);
    bool SetValue(SQInteger key, SQFloat value);
    bool SetValue(SQInteger key, const SQChar* value);
    bool SetValue(SQInteger key, bool value);
    bool SetValue(const SQChar* key, const SquirrelObject& value);
    bool SetValue(const SQChar* key, SQInteger value);
    bool SetValue(const SQChar* key, SQFloat value);
    bool SetValue(const SQChar* key, bool value);
    // No text form under a text key: a text must not turn into a bool.
    bool SetValue(const SQChar* key, const SQChar* value) = delete;
    bool SetValue(const SquirrelObject& key, const SquirrelObject& value);

    // Null when the get fails.
    SquirrelObject GetValue(SQInteger key) const;
    SquirrelObject GetValue(const SQChar* key) const;
    SQFloat GetFloat(SQInteger key) const;
    const SQChar* GetString(SQInteger key) const;
    bool GetBool(SQInteger key) const;
    SQFloat GetFloat(const SQChar* key) const;
    SQInteger GetInt(const SQChar* key) const;
    const SQChar* GetString(const SQChar* key) const;
    bool GetBool(const SQChar* key) const;
    bool Exists(SQInteger key) const;
    bool Exists(const SQChar* key) const;

    // The attributes of the member named key, of the class itself for null.
    SquirrelObject GetAttributes(const SQChar* key) const;

    // The user pointer of a held instance of the tagged class (tag null: any
    // class); null for anything else, a failed tag check included.
    SQUserPointer GetInstanceUserPointer(SQUserPointer typeTag) const;
    bool SetInstanceUserPointer(SQUserPointer pointer);

    // For a held table, array or class: pushes it and a null iterator.
    bool BeginIteration();
    void EndIteration();

  private:
    void Hold(const HSQOBJECT& object);
    void Drop();
    // Pushes the held object and the key, runs the set, restores the top.
    template <typename PushKey, typename PushValue> bool SetWith(PushKey pushKey, PushValue pushValue);
    // Pushes the held object and the key and gets the value; on success the
    // value is on top. The caller restores the top.
    template <typename PushKey> bool GetWith(PushKey pushKey) const;

    HSQOBJECT m_object;
    HSQUIRRELVM m_vm;
};

// A class-method native's view of its stack: arguments 1 (this) to the count.
class zScriptStack {
  public:
    explicit zScriptStack(HSQUIRRELVM vm) : m_vm(vm), m_argumentCount(sq_gettop(vm)) {}

    SQInteger GetArgumentCount() const { return m_argumentCount; }
    HSQUIRRELVM GetVM() const { return m_vm; }

    // Out of 1..count, or when the library cannot read the slot as asked:
    // 0.0, 0, null, false, -1.
    SQFloat GetFloat(SQInteger index) const;
    SQInteger GetInt(SQInteger index) const;
    const SQChar* GetString(SQInteger index) const;
    bool GetBool(SQInteger index) const;
    SQInteger GetType(SQInteger index) const;

    // Push the result; 1 (one value returned).
    SQInteger ReturnFloat(SQFloat value);
    SQInteger ReturnInt(SQInteger value);
    SQInteger ReturnBool(bool value);
    SQInteger ReturnString(const SQChar* text);
    SQInteger ReturnObject(const SquirrelObject& object);

  private:
    bool InRange(SQInteger index) const { return index >= 1 && index <= m_argumentCount; }

    HSQUIRRELVM m_vm;
    SQInteger m_argumentCount;
};
