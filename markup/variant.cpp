#include "markup/variant.h"

#include "markup/block_allocator.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "core/log.h"

zVariant::zVariant() : m_type(VariantNone), m_size(0) {
    Reset();
}

zVariant::zVariant(const char* name, const char* value) : zVariant() {
    SetName(name);
    SetString(value);
}

zVariant::zVariant(const char* name, i32 value) : zVariant() {
    SetName(name);
    SetInt(value);
}

zVariant::zVariant(const char* name, f32 value) : zVariant() {
    SetName(name);
    SetFloat(value);
}

zVariant::zVariant(f32 value) : zVariant() {
    SetFloat(value);
}

zVariant::~zVariant() {
    ResetValue();
}

bool zVariant::MakeExtras() {
    if (!m_extras) m_extras.reset(new (std::nothrow) Extras());
    return m_extras != nullptr;
}

zList<zVariant*>& zVariant::GetList() {
    if (MakeExtras()) return m_extras->list;
    GetLog() << "[!] Failed to allocate the list of a variant.\n";
    static thread_local zList<zVariant*> scratch;
    scratch.Clear();
    return scratch;
}

const zList<zVariant*>& zVariant::GetList() const {
    static const zList<zVariant*> empty;
    return m_extras ? m_extras->list : empty;
}

const zString& zVariant::GetName() const {
    static const zString empty;
    return m_extras ? m_extras->name : empty;
}

void zVariant::SetName(const char* name) {
    if (!name && !m_extras) return;
    if (!MakeExtras()) {
        GetLog() << "[!] Failed to allocate the name '" << name << "' of a variant.\n";
        return;
    }
    m_extras->name.Set(name);
}

void zVariant::Reset() {
    m_type = VariantNone;
    std::memset(&m_word, 0, sizeof(m_word));
    m_size = 0;
}

void zVariant::ResetValue() {
    switch (m_type) {
    case VariantString:
        m_string.Clear();
        break;
    case VariantList:
        if (m_extras) m_extras->list.Clear();
        break;
    case VariantBinary:
        std::free(m_word.data);
        break;
    default:
        break;
    }
    Reset();
}

void zVariant::SetFloat(f32 value) {
    ResetValue();
    m_word.floatValue = value;
    m_type = VariantFloat;
}

void zVariant::SetBool(bool value) {
    ResetValue();
    m_word.boolValue = value ? 1 : 0;
    m_type = VariantBool;
}

void zVariant::SetInt(i32 value) {
    ResetValue();
    m_word.intValue = value;
    m_type = VariantInt;
}

void zVariant::SetString(const char* text) {
    ResetValue();
    m_string.Set(text ? text : "");
    m_type = VariantString;
}

void zVariant::SetString(const char* begin, const char* end) {
    ResetValue();
    if (begin == end) {
        m_string.Set("");
    } else {
        m_string.SetRange(begin, end);
    }
    m_type = VariantString;
}

void zVariant::SetBorrowedString(const char* text, u32 length, u32 hash) {
    ResetValue();
    m_string.Borrow(text, length, hash);
    m_type = VariantString;
}

bool zVariant::SetBinary(const void* data, u32 size) {
    ResetValue();
    if (size == 0) {
        m_type = VariantBinary;
        return true;
    }
    void* copy = AllocateBlock(size);
    if (!copy) return false;
    if (data) {
        std::memcpy(copy, data, size);
    } else {
        std::memset(copy, 0, size);
    }
    m_word.data = copy;
    m_size = size;
    m_type = VariantBinary;
    return true;
}

void zVariant::AdoptBinary(void* data, u32 size) {
    ResetValue();
    if (size == 0) {
        std::free(data);
        data = nullptr;
    }
    m_word.data = data;
    m_size = size;
    m_type = VariantBinary;
}

void zVariant::SetList() {
    ResetValue();
    m_type = VariantList;
}

void zVariant::Set(const zVariant& other) {
    if (&other == this) return;
    switch (other.m_type) {
    case VariantFloat:
        SetFloat(other.m_word.floatValue);
        break;
    case VariantBool:
        SetBool(other.m_word.boolValue != 0);
        break;
    case VariantInt:
        SetInt(other.m_word.intValue);
        break;
    case VariantString:
        SetString(other.m_string.CStr());
        break;
    default:
        ResetValue();
        break;
    }
}

bool zVariant::GetFloat(f32& out) const {
    if (m_type != VariantFloat) return false;
    out = m_word.floatValue;
    return true;
}

bool zVariant::GetNumber(f32& out) const {
    if (GetFloat(out)) return true;
    if (m_type != VariantInt) return false;
    out = f32(m_word.intValue);
    return true;
}

bool zVariant::GetInt(i32& out) const {
    if (m_type != VariantInt) return false;
    out = m_word.intValue;
    return true;
}

bool zVariant::GetString(const char*& out) const {
    if (m_type != VariantString) return false;
    out = m_string.CStr() ? m_string.CStr() : "";
    return true;
}

bool zVariant::GetBool(bool& out) const {
    switch (m_type) {
    case VariantFloat:
        out = m_word.floatValue != 0.0f;
        return true;
    case VariantBool:
        out = m_word.boolValue != 0;
        return true;
    case VariantInt:
        out = m_word.intValue != 0;
        return true;
    default:
        return false;
    }
}

bool zVariant::GetBinary(void*& data, u32& size) const {
    if (m_type != VariantBinary) return false;
    if (m_size == 0) {
        data = nullptr;
        size = 0;
        return true;
    }
    void* copy = AllocateBlock(m_size);
    if (!copy) return false;
    std::memcpy(copy, m_word.data, m_size);
    data = copy;
    size = m_size;
    return true;
}

u32 zVariant::GetBinarySize() const {
    return m_type == VariantBinary ? m_size : 0;
}

const void* zVariant::GetBinaryData() const {
    return m_type == VariantBinary ? m_word.data : nullptr;
}

i32 zVariant::GetRawInt() const {
    i32 value;
    std::memcpy(&value, &m_word, sizeof(value));
    return value;
}

f32 zVariant::GetRawFloat() const {
    f32 value;
    std::memcpy(&value, &m_word, sizeof(value));
    return value;
}

namespace {

// The float of an int/float pair, truncated as the engine always did; values
// outside the i32 range saturate instead of being undefined.
i32 TruncateToInt(f32 value) {
    if (!(value == value)) return 0;
    if (value >= 2147483647.0f) return 2147483647;
    if (value <= -2147483648.0f) return -2147483647 - 1;
    return static_cast<i32>(value);
}

}  // namespace

bool zVariant::operator<(const zVariant& other) const {
    if (m_type == VariantFloat && other.m_type == VariantFloat) {
        return m_word.floatValue < other.m_word.floatValue;
    }
    if (m_type == VariantBool && other.m_type == VariantBool) {
        return m_word.boolValue < other.m_word.boolValue;
    }
    if (m_type == VariantInt && other.m_type == VariantInt) {
        return m_word.intValue < other.m_word.intValue;
    }
    if (m_type == VariantInt && other.m_type == VariantFloat) {
        return m_word.intValue < TruncateToInt(other.m_word.floatValue);
    }
    if (m_type == VariantFloat && other.m_type == VariantInt) {
        return TruncateToInt(m_word.floatValue) < other.m_word.intValue;
    }
    return false;
}

bool zVariant::operator==(const zVariant& other) const {
    if (m_type == VariantFloat && other.m_type == VariantFloat) {
        return m_word.floatValue == other.m_word.floatValue;
    }
    if (m_type == VariantBool && other.m_type == VariantBool) {
        return m_word.boolValue == other.m_word.boolValue;
    }
    if (m_type == VariantInt && other.m_type == VariantInt) {
        return m_word.intValue == other.m_word.intValue;
    }
    if (m_type == VariantInt && other.m_type == VariantFloat) {
        return m_word.intValue == TruncateToInt(other.m_word.floatValue);
    }
    if (m_type == VariantFloat && other.m_type == VariantInt) {
        return TruncateToInt(m_word.floatValue) == other.m_word.intValue;
    }
    if (m_type == VariantString && other.m_type == VariantString) {
        return m_string == other.m_string.CStr();
    }
    return false;
}
