#include "script/squirrel_object.h"

namespace {

constexpr unsigned NumericBit = 0x04000000;

struct StackRestore {
    explicit StackRestore(HSQUIRRELVM vm) : vm(vm), top(vm ? sq_gettop(vm) : 0) {}
    ~StackRestore() {
        if (vm) sq_settop(vm, top);
    }
    HSQUIRRELVM vm;
    SQInteger top;
};

} // namespace

SquirrelObject::SquirrelObject(HSQUIRRELVM vm) : m_vm(vm) {
    sq_resetobject(&m_object);
}

SquirrelObject::SquirrelObject(HSQUIRRELVM vm, const HSQOBJECT& handle) : m_vm(vm) {
    sq_resetobject(&m_object);
    Hold(handle);
}

SquirrelObject::SquirrelObject(const SquirrelObject& other) : m_vm(other.m_vm) {
    sq_resetobject(&m_object);
    Hold(other.m_object);
}

SquirrelObject::~SquirrelObject() {
    Drop();
}

void SquirrelObject::Hold(const HSQOBJECT& object) {
    HSQOBJECT taken = object;
    // Referenced before the old one goes: the two may be the same object.
    if (m_vm) sq_addref(m_vm, &taken);
    Drop();
    m_object = taken;
}

void SquirrelObject::Drop() {
    if (m_vm) sq_release(m_vm, &m_object);
    sq_resetobject(&m_object);
}

SquirrelObject& SquirrelObject::operator=(const SquirrelObject& other) {
    if (this != &other) Hold(other.m_object);
    return *this;
}

SquirrelObject& SquirrelObject::operator=(SQInteger value) {
    if (!m_vm) return *this;
    sq_pushinteger(m_vm, value);
    SetFromStack(-1);
    sq_pop(m_vm, 1);
    return *this;
}

void SquirrelObject::SetFromStack(SQInteger index) {
    if (!m_vm) return;
    HSQOBJECT object;
    sq_resetobject(&object);
    if (SQ_FAILED(sq_getstackobj(m_vm, index, &object))) return;
    Hold(object);
}

bool SquirrelObject::IsNull() const {
    return m_object._type == OT_NULL;
}
bool SquirrelObject::IsNumeric() const {
    return ((unsigned)m_object._type & NumericBit) != 0;
}

const SQChar* SquirrelObject::ToString() const {
    return m_object._type == OT_STRING ? sq_objtostring(&m_object) : nullptr;
}

SQInteger SquirrelObject::ToInteger() const {
    if (m_object._type == OT_INTEGER) return m_object._unVal.nInteger;
    if (m_object._type == OT_FLOAT) return (SQInteger)m_object._unVal.fFloat;
    return 0;
}

SQFloat SquirrelObject::ToFloat() const {
    if (m_object._type == OT_FLOAT) return m_object._unVal.fFloat;
    if (m_object._type == OT_INTEGER) return (SQFloat)m_object._unVal.nInteger;
    return 0.0f;
}

bool SquirrelObject::ToBool() const {
    return m_object._unVal.raw != 0;
}

SQInteger SquirrelObject::GetSize() const {
    if (!m_vm) return 0;
    switch (m_object._type) {
    case OT_ARRAY:
    case OT_TABLE:
    case OT_STRING: {
        StackRestore restore(m_vm);
        sq_pushobject(m_vm, m_object);
        return sq_getsize(m_vm, -1);
    }
    default:
        return 0;
    }
}

SquirrelObject SquirrelObject::Clone() const {
    SquirrelObject copy(m_vm);
    if (!m_vm || (m_object._type != OT_TABLE && m_object._type != OT_ARRAY)) return copy;
    StackRestore restore(m_vm);
    sq_pushobject(m_vm, m_object);
    if (SQ_SUCCEEDED(sq_clone(m_vm, -1))) copy.SetFromStack(-1);
    return copy;
}

SquirrelObject SquirrelObject::GetDelegate() const {
    SquirrelObject result(m_vm);
    if (!m_vm || (m_object._type != OT_TABLE && m_object._type != OT_USERDATA)) return result;
    StackRestore restore(m_vm);
    sq_pushobject(m_vm, m_object);
    if (SQ_SUCCEEDED(sq_getdelegate(m_vm, -1))) result.SetFromStack(-1);
    return result;
}

bool SquirrelObject::SetDelegate(const SquirrelObject& delegate) {
    if (!m_vm || (m_object._type != OT_TABLE && m_object._type != OT_USERDATA)) return false;
    if (delegate.m_object._type != OT_TABLE && delegate.m_object._type != OT_NULL) return false;
    StackRestore restore(m_vm);
    sq_pushobject(m_vm, m_object);
    sq_pushobject(m_vm, delegate.m_object);
    return SQ_SUCCEEDED(sq_setdelegate(m_vm, -2));
}

bool SquirrelObject::ArrayAppend(const SquirrelObject& value) {
    if (!m_vm || m_object._type != OT_ARRAY) return false;
    StackRestore restore(m_vm);
    sq_pushobject(m_vm, m_object);
    sq_pushobject(m_vm, value.m_object);
    return SQ_SUCCEEDED(sq_arrayappend(m_vm, -2));
}

template <typename PushKey, typename PushValue>
bool SquirrelObject::SetWith(PushKey pushKey, PushValue pushValue) {
    if (!m_vm) return false;
    StackRestore restore(m_vm);
    sq_pushobject(m_vm, m_object);
    pushKey();
    pushValue();
    return SQ_SUCCEEDED(sq_set(m_vm, -3));
}

template <typename PushKey> bool SquirrelObject::GetWith(PushKey pushKey) const {
    if (!m_vm) return false;
    sq_pushobject(m_vm, m_object);
    pushKey();
    return SQ_SUCCEEDED(sq_get(m_vm, -2));
}

#define SQ_INT_KEY [&] { sq_pushinteger(m_vm, key); }
#define SQ_TEXT_KEY [&] { sq_pushstring(m_vm, key, -1); }

bool SquirrelObject::SetValue(SQInteger key, const SquirrelObject& value) {
    return SetWith(SQ_INT_KEY, [&] { sq_pushobject(m_vm, value.m_object); });
}
bool SquirrelObject::SetValue(SQInteger key, SQInteger value) {
    return SetWith(SQ_INT_KEY, [&] { sq_pushinteger(m_vm, value); });
}
bool SquirrelObject::SetValue(SQInteger key, SQFloat value) {
    return SetWith(SQ_INT_KEY, [&] { sq_pushfloat(m_vm, value); });
}
bool SquirrelObject::SetValue(SQInteger key, const SQChar* value) {
    return SetWith(SQ_INT_KEY, [&] {
        if (value) {
            sq_pushstring(m_vm, value, -1);
        } else {
            sq_pushnull(m_vm);
        }
    });
}
bool SquirrelObject::SetValue(SQInteger key, bool value) {
    return SetWith(SQ_INT_KEY, [&] { sq_pushbool(m_vm, value ? SQTrue : SQFalse); });
}
bool SquirrelObject::SetValue(const SQChar* key, const SquirrelObject& value) {
    return key && SetWith(SQ_TEXT_KEY, [&] { sq_pushobject(m_vm, value.m_object); });
}
bool SquirrelObject::SetValue(const SQChar* key, SQInteger value) {
    return key && SetWith(SQ_TEXT_KEY, [&] { sq_pushinteger(m_vm, value); });
}
bool SquirrelObject::SetValue(const SQChar* key, SQFloat value) {
    return key && SetWith(SQ_TEXT_KEY, [&] { sq_pushfloat(m_vm, value); });
}
bool SquirrelObject::SetValue(const SQChar* key, bool value) {
    return key && SetWith(SQ_TEXT_KEY, [&] { sq_pushbool(m_vm, value ? SQTrue : SQFalse); });
}
bool SquirrelObject::SetValue(const SquirrelObject& key, const SquirrelObject& value) {
    return SetWith([&] { sq_pushobject(m_vm, key.m_object); }, [&] { sq_pushobject(m_vm, value.m_object); });
}

SquirrelObject SquirrelObject::GetValue(SQInteger key) const {
    SquirrelObject result(m_vm);
    StackRestore restore(m_vm);
    if (GetWith(SQ_INT_KEY)) result.SetFromStack(-1);
    return result;
}

SquirrelObject SquirrelObject::GetValue(const SQChar* key) const {
    SquirrelObject result(m_vm);
    StackRestore restore(m_vm);
    if (key && GetWith(SQ_TEXT_KEY)) result.SetFromStack(-1);
    return result;
}

SQFloat SquirrelObject::GetFloat(SQInteger key) const {
    StackRestore restore(m_vm);
    SQFloat value = 0.0f;
    if (GetWith(SQ_INT_KEY)) sq_getfloat(m_vm, -1, &value);
    return value;
}

const SQChar* SquirrelObject::GetString(SQInteger key) const {
    StackRestore restore(m_vm);
    const SQChar* value = nullptr;
    if (GetWith(SQ_INT_KEY)) sq_getstring(m_vm, -1, &value);
    return value;
}

bool SquirrelObject::GetBool(SQInteger key) const {
    StackRestore restore(m_vm);
    SQBool value = SQFalse;
    if (GetWith(SQ_INT_KEY)) sq_getbool(m_vm, -1, &value);
    return value != SQFalse;
}

SQFloat SquirrelObject::GetFloat(const SQChar* key) const {
    StackRestore restore(m_vm);
    SQFloat value = 0.0f;
    if (key && GetWith(SQ_TEXT_KEY)) sq_getfloat(m_vm, -1, &value);
    return value;
}

SQInteger SquirrelObject::GetInt(const SQChar* key) const {
    StackRestore restore(m_vm);
    SQInteger value = 0;
    if (key && GetWith(SQ_TEXT_KEY)) sq_getinteger(m_vm, -1, &value);
    return value;
}

const SQChar* SquirrelObject::GetString(const SQChar* key) const {
    StackRestore restore(m_vm);
    const SQChar* value = nullptr;
    if (key && GetWith(SQ_TEXT_KEY)) sq_getstring(m_vm, -1, &value);
    return value;
}

bool SquirrelObject::GetBool(const SQChar* key) const {
    StackRestore restore(m_vm);
    SQBool value = SQFalse;
    if (key && GetWith(SQ_TEXT_KEY)) sq_getbool(m_vm, -1, &value);
    return value != SQFalse;
}

bool SquirrelObject::Exists(SQInteger key) const {
    StackRestore restore(m_vm);
    return GetWith(SQ_INT_KEY);
}

bool SquirrelObject::Exists(const SQChar* key) const {
    StackRestore restore(m_vm);
    return key && GetWith(SQ_TEXT_KEY);
}

#undef SQ_INT_KEY
#undef SQ_TEXT_KEY

SquirrelObject SquirrelObject::GetAttributes(const SQChar* key) const {
    SquirrelObject result(m_vm);
    if (!m_vm) return result;
    StackRestore restore(m_vm);
    sq_pushobject(m_vm, m_object);
    if (key) {
        sq_pushstring(m_vm, key, -1);
    } else {
        sq_pushnull(m_vm);
    }
    if (SQ_SUCCEEDED(sq_getattributes(m_vm, -2))) result.SetFromStack(-1);
    return result;
}

SQUserPointer SquirrelObject::GetInstanceUserPointer(SQUserPointer typeTag) const {
    if (!m_vm || m_object._type != OT_INSTANCE) return nullptr;
    StackRestore restore(m_vm);
    sq_pushobject(m_vm, m_object);
    SQUserPointer pointer = nullptr;
    // The library fills the pointer before it checks the tag.
    if (SQ_FAILED(sq_getinstanceup(m_vm, -1, &pointer, typeTag))) return nullptr;
    return pointer;
}

bool SquirrelObject::SetInstanceUserPointer(SQUserPointer pointer) {
    if (!m_vm || m_object._type != OT_INSTANCE) return false;
    StackRestore restore(m_vm);
    sq_pushobject(m_vm, m_object);
    sq_setinstanceup(m_vm, -1, pointer);
    return true;
}

bool SquirrelObject::BeginIteration() {
    if (!m_vm) return false;
    if (m_object._type != OT_TABLE && m_object._type != OT_ARRAY && m_object._type != OT_CLASS) return false;
    sq_pushobject(m_vm, m_object);
    sq_pushnull(m_vm);
    return true;
}

void SquirrelObject::EndIteration() {
    if (m_vm) sq_pop(m_vm, 2);
}

// ---------------------------------------------------------------- zScriptStack

SQFloat zScriptStack::GetFloat(SQInteger index) const {
    SQFloat value = 0.0f;
    if (InRange(index)) sq_getfloat(m_vm, index, &value);
    return value;
}

SQInteger zScriptStack::GetInt(SQInteger index) const {
    SQInteger value = 0;
    if (InRange(index)) sq_getinteger(m_vm, index, &value);
    return value;
}

const SQChar* zScriptStack::GetString(SQInteger index) const {
    const SQChar* value = nullptr;
    if (InRange(index)) sq_getstring(m_vm, index, &value);
    return value;
}

bool zScriptStack::GetBool(SQInteger index) const {
    SQBool value = SQFalse;
    if (!InRange(index) || SQ_FAILED(sq_getbool(m_vm, index, &value))) return false;
    return value != SQFalse;
}

SQInteger zScriptStack::GetType(SQInteger index) const {
    return InRange(index) ? sq_gettype(m_vm, index) : -1;
}

SQInteger zScriptStack::ReturnFloat(SQFloat value) {
    sq_pushfloat(m_vm, value);
    return 1;
}

SQInteger zScriptStack::ReturnInt(SQInteger value) {
    sq_pushinteger(m_vm, value);
    return 1;
}

SQInteger zScriptStack::ReturnBool(bool value) {
    sq_pushbool(m_vm, value ? SQTrue : SQFalse);
    return 1;
}

SQInteger zScriptStack::ReturnString(const SQChar* text) {
    if (text) {
        sq_pushstring(m_vm, text, -1);
    } else {
        sq_pushnull(m_vm);
    }
    return 1;
}

SQInteger zScriptStack::ReturnObject(const SquirrelObject& object) {
    sq_pushobject(m_vm, object.GetObjectHandle());
    return 1;
}
