// zString, the engine's one string type, and the free routines on plain texts.
//
// A zString owns a heap buffer of exactly length + 1 bytes (or none at all) and
// caches its hash. A borrowed string (Borrow) points at text kept alive by
// someone else, such as a document's text store; it never frees it, and
// copies and moves of it take their own copy of the text. The hash is part of every keyed structure: name lookups
// compare hashes first, then bytes. It is h = h * 37 + c over the bytes taken
// as signed 8-bit values, in 32-bit wrap-around arithmetic, then OR 1, so a
// computed hash is never 0; a null or empty text hashes to 1.
//
// Case changes and character classes are ASCII only and never use the locale.
#pragma once

#include "core/types.h"

template <typename T> class zList;

class zString {
  public:
    zString() : m_text(nullptr), m_hash(0), m_length(0), m_borrowed(0) {}
    zString(const char* text); // NOLINT: implicit on purpose, names are passed as texts
    // The characters from begin up to end (end null: up to the terminator).
    zString(const char* begin, const char* end);
    zString(const zString& other);
    zString(zString&& other) noexcept;
    ~zString();

    zString& operator=(const zString& other);
    zString& operator=(zString&& other) noexcept;
    // Like Set, but the empty text "" also gives a string without buffer.
    zString& operator=(const char* text);

    // Null gives an empty string without buffer; "" gives a one-byte buffer.
    void Set(const char* text);
    // A count of 0 or less gives an empty string without buffer.
    void SetRange(const char* begin, const char* end);
    // Frees the buffer (a borrowed one is only let go); text, hash and length
    // become 0.
    void Clear();
    // Points at length bytes of text followed by a terminator without copying
    // them; the text must outlive this string and stay unchanged. hash is the
    // text's hash, or 0 to compute it when needed.
    void Borrow(const char* text, u32 length, u32 hash) {
        if (m_text) Clear();
        if (!text || length > MaxLength) return;
        m_text = const_cast<char*>(text);
        m_length = length;
        m_hash = hash;
        m_borrowed = 1;
    }
    bool IsBorrowed() const { return m_borrowed != 0; }

    // printf formatting through a 4096-byte buffer; longer output keeps 4095 characters.
    zString& Format(const char* format, ...) __attribute__((format(printf, 2, 3)));

    const char* CStr() const { return m_text; }
    operator const char*() const { return m_text; }
    u32 GetLength() const { return m_length; }
    bool IsEmpty() const { return m_text == nullptr || m_length == 0; }
    u32 GetHash() const;
    f32 ToFloat(bool commaIsPoint) const;
    // Length at least 3 and a ':' as second character.
    bool HasDriveLetter() const;

    // An empty string equals only an empty string; hashes first, then bytes.
    bool operator==(const zString& other) const;
    bool operator!=(const zString& other) const { return !(*this == other); }
    // The same rule without hashes.
    bool EqualsNoHash(const zString& other) const;
    // A null text equals an empty string; a string without buffer is unequal to
    // any non-null text, even "".
    bool operator==(const char* text) const;
    bool operator!=(const char* text) const { return !(*this == text); }
    // An empty string equals only a null pointer.
    bool IsEqual(const char* text) const;
    // A non-zero hash that differs from this string's hash is a quick miss.
    bool Equals(const char* text, u32 hash) const;

    // Null does nothing.
    void Append(const char* text);
    // An empty source does nothing.
    void AppendString(const zString& text);
    void AppendInt(i32 value);

    zString operator+(const char* text) const;
    zString operator+(const zString& text) const;

    zString ToUpperCase() const;
    zString ToLowerCase() const;
    zString RemoveChar(char c) const;
    // ' ' becomes '_' (unless keepSpaces), '_' becomes ' ', and a lower-case
    // letter at the start or after a space of the result becomes upper case.
    zString ToTitleCase(bool keepSpaces) const;

    // Appends every piece between separators to out (duplicates kept) and
    // returns its new count. A leading separator gives an empty first piece; a
    // trailing one gives no empty last piece.
    u32 Split(const char* separator, zList<zString>& out) const;

    // Lower-cases a leading drive letter, turns '\' into '/', collapses runs of
    // '/', and replaces every character outside letters, digits and " ._/-!+()#"
    // by '_' (a ':' at index 1 stays). False when empty or out of memory.
    bool NormalizePath();
    // Keeps the directory part up to and including the last ':', '\' or '/';
    // empty when there is none.
    void StripFileName();
    // Removes everything up to and including the last '/' or '\'.
    void StripDirectory();
    // Cuts at the last '.' of the file name (a '.' in a directory name is kept).
    void StripExtension();
    void StripToBaseName();
    // Cuts the extension, then appends ext as given (it carries its own '.').
    void ReplaceExtension(const char* ext);

    zString GetFileName() const;
    zString GetWithoutExtension() const;
    zString GetWithExtension(const char* ext) const;
    zString GetNormalizedPath() const;

    // The largest length a string takes (it shares a word with the borrowed flag).
    static constexpr u32 MaxLength = 0x7FFFFFFEu;

  private:
    // Takes ownership of a malloc'ed buffer holding length characters and a terminator.
    void Adopt(char* buffer, u32 length);
    // Appends through a new buffer; on allocation failure the string stays as it was.
    void AppendBytes(const char* bytes, u32 count);

    // Takes a copy of a borrowed text, so that it may outlive the lender.
    void OwnText();

    char* m_text;
    mutable u32 m_hash; // 0 until computed; reset by every change of the text
    u32 m_length : 31;   // texts are refused from 2^31 - 1 bytes on
    u32 m_borrowed : 1;  // m_text belongs to someone else
};

// A text on the left compares as text too, not as a pointer.
inline bool operator==(const char* text, const zString& string) {
    return string == text;
}
inline bool operator!=(const char* text, const zString& string) {
    return !(string == text);
}

// The same value as zString::GetHash for the same text.
u32 StringHash(const char* text);
// One step of that hash, for a reader that hashes a text while it scans it
// (and then ORs 1 into the result).
inline u32 StringHashStep(u32 hash, char c) {
    return hash * 37u + static_cast<u32>(static_cast<i32>(static_cast<i8>(c)));
}

// Optional '-', then decimal digits up to the first non-digit; no digits give 0.
// Overflow wraps in 32 bits.
i32 StringToInt(const char* text);
// Optional '-', integer digits, a fraction after '.' (or ',' when commaIsPoint),
// then 'e' with an optional '-' and digits; single precision. Any other
// character ends the number with the value so far. end null: up to the terminator.
f32 StringToFloat(const char* begin, const char* end, bool commaIsPoint);
// Only the first 8 characters count; parsing starts after the first 'x' or 'h'
// among them; characters that are not hex digits add 0.
u32 HexToInt(const char* text);
// The first c before end (end null: before the terminator), else end or the terminator.
const char* StringFindChar(const char* text, char c, const char* end);
// True when the texts differ where both still have characters.
bool StringsDiffer(const char* a, const char* b);
// 1 when a sorts before b (signed bytes, a prefix first), -1 after, 0 equal.
// A null text: 0 when both are null, else 1.
int StringSortCompare(const char* a, const char* b);
// The text after the last '.' of the file name, empty when there is none.
zString GetFileExtension(const char* text);

// In place on a writable text, as the zString forms.
void PathStripFileName(char* text);
void PathStripDirectory(char* text);
void PathStripToBaseName(char* text);

f32 ClampFloat(f32 value, f32 lower, f32 upper);
int MaxInt(int a, int b);
// Maps x from a..b onto c..d linearly and clamps the result between c and d.
f32 RemapClamped(f32 x, f32 a, f32 b, f32 c, f32 d);
