#include "markup/variant.h"

#include "markup/block_allocator.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "core/log.h"

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
    if (m_hasExtras) delete m_plain.extras;
}

bool zVariant::MakeExtras() {
    if (m_hasExtras) return true;
    Extras* extras = new (std::nothrow) Extras();
    if (!extras) return false;
    if (HoldsInlineString()) {
        extras->string = m_string;
        m_string.~zString();
        m_plain.word.data = nullptr;
    }
    m_plain.extras = extras;
    m_hasExtras = 1;
    return true;
}

zList<zVariant*>& zVariant::GetList() {
    if (MakeExtras()) return m_plain.extras->list;
    GetLog() << "[!] Failed to allocate the list of a variant.\n";
    static thread_local zList<zVariant*> scratch;
    scratch.Clear();
    return scratch;
}

const zList<zVariant*>& zVariant::GetList() const {
    static const zList<zVariant*> empty;
    return m_hasExtras ? m_plain.extras->list : empty;
}

const zString& zVariant::GetName() const {
    static const zString empty;
    return m_hasExtras ? m_plain.extras->name : empty;
}

const zString& zVariant::GetStringValue() const {
    static const zString empty;
    return m_type == VariantString ? String() : empty;
}

void zVariant::SetName(const char* name) {
    if (!name && !m_hasExtras) return;
    if (!MakeExtras()) {
        GetLog() << "[!] Failed to allocate the name '" << name << "' of a variant.\n";
        return;
    }
    m_plain.extras->name.Set(name);
}

void zVariant::Reset() {
    ResetValue();
}

void zVariant::ResetValue() {
    switch (m_type) {
    case VariantString:
        if (m_hasExtras) {
            m_plain.extras->string.Clear();
        } else {
            m_string.~zString();
            m_plain.extras = nullptr;
        }
        break;
    case VariantList:
        if (m_hasExtras) m_plain.extras->list.Clear();
        break;
    case VariantBinary:
        std::free(m_plain.word.data);
        break;
    default:
        break;
    }
    m_type = VariantNone;
    m_plain.word.data = nullptr;
    m_size = 0;
}

zString& zVariant::StartStringSlowly() {
    ResetValue();
    if (!m_hasExtras) new (&m_string) zString();
    m_type = VariantString;
    return String();
}

void zVariant::SetString(const char* text) {
    StartString().Set(text ? text : "");
}

void zVariant::SetString(const char* begin, const char* end) {
    zString& string = StartString();
    if (begin == end) {
        string.Set("");
    } else {
        string.SetRange(begin, end);
    }
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
    m_plain.word.data = copy;
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
    m_plain.word.data = data;
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
        SetFloat(other.m_plain.word.floatValue);
        break;
    case VariantBool:
        SetBool(other.m_plain.word.boolValue != 0);
        break;
    case VariantInt:
        SetInt(other.m_plain.word.intValue);
        break;
    case VariantString:
        SetString(other.String().CStr());
        break;
    default:
        ResetValue();
        break;
    }
}

bool zVariant::GetFloat(f32& out) const {
    if (m_type != VariantFloat) return false;
    out = m_plain.word.floatValue;
    return true;
}

bool zVariant::GetNumber(f32& out) const {
    if (GetFloat(out)) return true;
    if (m_type != VariantInt) return false;
    out = f32(m_plain.word.intValue);
    return true;
}

bool zVariant::GetInt(i32& out) const {
    if (m_type != VariantInt) return false;
    out = m_plain.word.intValue;
    return true;
}

bool zVariant::GetString(const char*& out) const {
    if (m_type != VariantString) return false;
    out = String().CStr() ? String().CStr() : "";
    return true;
}

bool zVariant::GetBool(bool& out) const {
    switch (m_type) {
    case VariantFloat:
        out = m_plain.word.floatValue != 0.0f;
        return true;
    case VariantBool:
        out = m_plain.word.boolValue != 0;
        return true;
    case VariantInt:
        out = m_plain.word.intValue != 0;
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
    std::memcpy(copy, m_plain.word.data, m_size);
    data = copy;
    size = m_size;
    return true;
}

u32 zVariant::GetBinarySize() const {
    return m_type == VariantBinary ? m_size : 0;
}

const void* zVariant::GetBinaryData() const {
    return m_type == VariantBinary ? m_plain.word.data : nullptr;
}

i32 zVariant::GetRawInt() const {
    // A string's text pointer is no value word.
    if (HoldsInlineString()) return 0;
    i32 value;
    std::memcpy(&value, &m_plain.word, sizeof(value));
    return value;
}

f32 zVariant::GetRawFloat() const {
    if (HoldsInlineString()) return 0.0f;
    f32 value;
    std::memcpy(&value, &m_plain.word, sizeof(value));
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
        return m_plain.word.floatValue < other.m_plain.word.floatValue;
    }
    if (m_type == VariantBool && other.m_type == VariantBool) {
        return m_plain.word.boolValue < other.m_plain.word.boolValue;
    }
    if (m_type == VariantInt && other.m_type == VariantInt) {
        return m_plain.word.intValue < other.m_plain.word.intValue;
    }
    if (m_type == VariantInt && other.m_type == VariantFloat) {
        return m_plain.word.intValue < TruncateToInt(other.m_plain.word.floatValue);
    }
    if (m_type == VariantFloat && other.m_type == VariantInt) {
        return TruncateToInt(m_plain.word.floatValue) < other.m_plain.word.intValue;
    }
    return false;
}

bool zVariant::operator==(const zVariant& other) const {
    if (m_type == VariantFloat && other.m_type == VariantFloat) {
        return m_plain.word.floatValue == other.m_plain.word.floatValue;
    }
    if (m_type == VariantBool && other.m_type == VariantBool) {
        return m_plain.word.boolValue == other.m_plain.word.boolValue;
    }
    if (m_type == VariantInt && other.m_type == VariantInt) {
        return m_plain.word.intValue == other.m_plain.word.intValue;
    }
    if (m_type == VariantInt && other.m_type == VariantFloat) {
        return m_plain.word.intValue == TruncateToInt(other.m_plain.word.floatValue);
    }
    if (m_type == VariantFloat && other.m_type == VariantInt) {
        return TruncateToInt(m_plain.word.floatValue) == other.m_plain.word.intValue;
    }
    if (m_type == VariantString && other.m_type == VariantString) {
        return String() == other.String().CStr();
    }
    return false;
}
