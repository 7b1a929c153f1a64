// zVariant: one typed value with an optional name. Tags of a ZML tree hold
// their value in one; command-line definitions and script arguments travel as
// named variants.
//
// A variant owns its string and its binary block; a list variant holds
// pointers to variants it does not own. Every setter releases the previous
// value first. Copies are explicit (Set), because a block or list is not
// copied by it.
#pragma once

#include <memory>

#include "core/list.h"
#include "core/types.h"
#include "core/zstring.h"

enum zVariantType : u32 {
    VariantNone = 0,
    VariantFloat = 1,
    VariantBool = 2,
    VariantInt = 3,
    VariantString = 4,
    VariantList = 5,
    VariantBinary = 6,
};

class zVariant {
public:
    zVariant() : m_type(VariantNone), m_tagStorage(0), m_hasExtras(0), m_unused(0), m_size(0) {
        m_plain.word.data = nullptr;
        m_plain.extras = nullptr;
    }
    zVariant(const char* name, const char* value);
    zVariant(const char* name, i32 value);
    zVariant(const char* name, f32 value);
    explicit zVariant(f32 value);
    ~zVariant();

    // Type none, value word zero; the same as ResetValue.
    void Reset();
    // Releases the string, list nodes or block; type none.
    void ResetValue();

    void SetFloat(f32 value) {
        StartPlain();
        m_plain.word.floatValue = value;
        m_type = VariantFloat;
    }
    void SetBool(bool value) {
        StartPlain();
        m_plain.word.boolValue = value ? 1 : 0;
        m_type = VariantBool;
    }
    void SetInt(i32 value) {
        StartPlain();
        m_plain.word.intValue = value;
        m_type = VariantInt;
    }
    // Null stores an empty string.
    void SetString(const char* text);
    // The characters from begin up to end, which need no terminator.
    void SetString(const char* begin, const char* end);
    // A string that borrows length bytes of terminated text (zString::Borrow):
    // the text must outlive the variant, as a tag's texts stored in its chunk.
    void SetBorrowedString(const char* text, u32 length, u32 hash) {
        StartString().Borrow(text, length, hash);
    }
    // Copies the block. False, type none, when the copy cannot be allocated.
    // A size of 0 stores an empty block without data.
    bool SetBinary(const void* data, u32 size);
    // Takes a malloc'ed block of size bytes without copying it.
    void AdoptBinary(void* data, u32 size);
    // An empty list; fill it through GetList.
    void SetList();
    // Copies a float, bool, int or string; any other source leaves type none.
    void Set(const zVariant& other);

    u32 GetType() const { return m_type; }
    bool IsNone() const { return m_type == VariantNone; }

    bool GetFloat(f32& out) const;
    // A float, or an int taken as a float.
    bool GetNumber(f32& out) const;
    bool GetInt(i32& out) const;
    bool GetString(const char*& out) const;
    // Float != 0, bool, int != 0; false (no value) for any other type.
    bool GetBool(bool& out) const;
    // A malloc'ed copy the caller frees; false for other types or when the copy
    // cannot be allocated. An empty block gives a null pointer and size 0.
    bool GetBinary(void*& data, u32& size) const;
    u32 GetBinarySize() const;
    // The block itself without a copy; null for other types.
    const void* GetBinaryData() const;
    // The string of a string variant; an empty one for other types.
    const zString& GetStringValue() const;
    // When the list's storage cannot be had (logged), a scratch list that is
    // emptied at the next such call.
    zList<zVariant*>& GetList();
    const zList<zVariant*>& GetList() const;

    // The first four bytes of the value word, untested and unconverted.
    // Little-endian hosts only: the word also holds 8-byte pointers.
    i32 GetRawInt() const;
    f32 GetRawFloat() const;

    const zString& GetName() const;
    // Logged and left unnamed when the name's storage cannot be had.
    void SetName(const char* name);

    // float/float, bool/bool (bytes), int/int, and int with float (the float
    // truncated to an integer); other pairs are not less.
    bool operator<(const zVariant& other) const;
    bool operator>=(const zVariant& other) const { return !(*this < other); }
    // As above plus string/string; other pairs are unequal.
    bool operator==(const zVariant& other) const;
    bool operator!=(const zVariant& other) const { return !(*this == other); }

private:
    friend class zMetaTag;  // keeps the kind of its own memory in m_tagStorage
    friend struct zMetaTagAccess;

    zVariant(const zVariant&) = delete;
    zVariant& operator=(const zVariant&) = delete;

    // One word: the float, the bool, the int, or the block's data.
    union Word {
        f32 floatValue;
        u8 boolValue;
        i32 intValue;
        void* data;
    };
    // The list and the name, which few variants use (no tag of a document
    // does), on the side: made on first use. A variant with extras keeps its
    // string there too.
    struct Extras {
        zList<zVariant*> list;  // not owned
        zString name;
        zString string;
    };
    struct Plain {
        Word word;
        Extras* extras;  // owned; valid when m_hasExtras
    };

    bool MakeExtras();
    bool HoldsInlineString() const { return m_type == VariantString && !m_hasExtras; }
    // The string of a string variant.
    zString& String() { return m_hasExtras ? m_plain.extras->string : m_string; }
    const zString& String() const { return m_hasExtras ? m_plain.extras->string : m_string; }
    // Releases the current value and gives the string to fill, type string.
    zString& StartString() {
        if (m_type != VariantNone || m_hasExtras) return StartStringSlowly();
        m_plain.word.data = nullptr;
        m_size = 0;
        new (&m_string) zString();
        m_type = VariantString;
        return m_string;
    }
    zString& StartStringSlowly();
    // Releases the current value for a plain one: ResetValue, which has only
    // fields to clear for the plain types.
    void StartPlain() {
        if (m_type >= VariantString) ResetValue();
        m_type = VariantNone;
        m_plain.word.data = nullptr;
        m_size = 0;
    }

    // 24 bytes: every ZML tag holds a variant. The string shares its storage
    // with the value word and the extras.
    u8 m_type;
    u8 m_tagStorage;  // not the variant's: the holding tag's (markup/meta_tag.h)
    u8 m_hasExtras;
    u8 m_unused;
    u32 m_size;  // bytes of the block (type binary)
    union {
        Plain m_plain;      // every type but an inline string
        zString m_string;   // type string without extras
    };
};
