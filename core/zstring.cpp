#include "core/zstring.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/list.h"

namespace {

// Format's buffer; the output keeps at most FormatBufferSize - 1 characters.
constexpr int FormatBufferSize = 4096;

// An exponent past this turns any mantissa of a few dozen digits into inf or
// 0 already, so a longer one changes nothing but the time spent multiplying.
constexpr u32 MaxDecimalExponent = 99;

// Fraction digits stop counting once this many significant ones were read.
constexpr u32 MaxFractionNumerator = 100000000;

// 10^exponent in single precision by repeated multiplication; inf from 10^39 on.
f32 PowerOfTen(u32 exponent) {
    if (exponent > MaxDecimalExponent) exponent = MaxDecimalExponent;
    f32 power = 1.0f;
    for (u32 i = 0; i < exponent; ++i)
        power *= 10.0f;
    return power;
}

// Powers of ten up to this stay finite in single precision.
constexpr u32 MaxFinitePowerStep = 30;

// value x 10^exponent (or / 10^exponent when divide) in steps of at most
// 10^30, so a power past the float range cannot turn a representable
// result into inf or 0.
f32 ScaleByPowerOfTen(f32 value, u32 exponent, bool divide) {
    while (exponent > 0 && value != 0.0f && std::isfinite(value)) {
        u32 step = exponent < MaxFinitePowerStep ? exponent : MaxFinitePowerStep;
        f32 power = PowerOfTen(step);
        value = divide ? value / power : value * power;
        exponent -= step;
    }
    return value;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsLower(char c) {
    return c >= 'a' && c <= 'z';
}
bool IsUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
char ToLowerAscii(char c) {
    return IsUpper(c) ? static_cast<char>(c - 'A' + 'a') : c;
}
char ToUpperAscii(char c) {
    return IsLower(c) ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsPathCharacter(char c) {
    if (IsLower(c) || IsUpper(c) || IsDigit(c)) return true;
    return std::strchr(" ._/-!+()#", c) != nullptr && c != '\0';
}

u32 HashStep(u32 hash, char c) {
    return StringHashStep(hash, c);
}

// The last character of [begin, end) that is one of the given ones, or null.
const char* FindLastOf(const char* begin, const char* end, const char* characters) {
    for (const char* p = end; p > begin; --p) {
        if (std::strchr(characters, p[-1]) && p[-1] != '\0') return p - 1;
    }
    return nullptr;
}

// The '.' that starts the extension of the file name in [begin, end), or null.
const char* FindExtensionDot(const char* begin, const char* end) {
    const char* separator = FindLastOf(begin, end, "/\\");
    const char* nameStart = separator ? separator + 1 : begin;
    return FindLastOf(nameStart, end, ".");
}

char* AllocateText(size_t length) {
    return static_cast<char*>(std::malloc(length + 1));
}

} // namespace

constexpr size_t MaxStringLength = zString::MaxLength;

zString::zString(const char* text) : zString() {
    Set(text);
}

zString::zString(const char* begin, const char* end) : zString() {
    SetRange(begin, end);
}

zString::zString(const zString& other) : zString() {
    if (!other.m_text) return;
    char* buffer = AllocateText(other.m_length);
    if (!buffer) return;
    std::memcpy(buffer, other.m_text, other.m_length + 1);
    Adopt(buffer, other.m_length);
    m_hash = other.m_hash;
}

zString::zString(zString&& other) noexcept
    : m_text(other.m_text), m_hash(other.m_hash), m_length(other.m_length), m_borrowed(other.m_borrowed) {
    other.m_text = nullptr;
    other.m_hash = 0;
    other.m_length = 0;
    other.m_borrowed = 0;
    OwnText();
}

void zString::OwnText() {
    if (!m_borrowed) return;
    const char* text = m_text;
    const u32 length = m_length;
    const u32 hash = m_hash;
    m_text = nullptr;
    m_borrowed = 0;
    m_length = 0;
    m_hash = 0;
    char* buffer = AllocateText(length);
    if (!buffer) return;
    std::memcpy(buffer, text, size_t(length) + 1);
    Adopt(buffer, length);
    m_hash = hash;
}

zString::~zString() {
    Clear();
}

zString& zString::operator=(const zString& other) {
    if (this == &other) return *this;
    if (other.IsEmpty()) {
        Clear();
        return *this;
    }
    zString copy(other);
    *this = static_cast<zString&&>(copy);
    return *this;
}

zString& zString::operator=(zString&& other) noexcept {
    if (this == &other) return *this;
    Clear();
    m_text = other.m_text;
    m_hash = other.m_hash;
    m_length = other.m_length;
    m_borrowed = other.m_borrowed;
    other.m_text = nullptr;
    other.m_hash = 0;
    other.m_length = 0;
    other.m_borrowed = 0;
    OwnText();
    return *this;
}

zString& zString::operator=(const char* text) {
    if (!text || text[0] == '\0') {
        Clear();
    } else {
        Set(text);
    }
    return *this;
}

void zString::Adopt(char* buffer, u32 length) {
    if (!m_borrowed) std::free(m_text);
    m_borrowed = 0;
    m_text = buffer;
    m_length = length;
    m_hash = 0;
}

void zString::Set(const char* text) {
    if (!text) {
        Clear();
        return;
    }
    size_t length = std::strlen(text);
    if (length > MaxStringLength) {
        Clear();
        return;
    }
    // The new buffer is filled before the old one goes: text may point into it.
    char* buffer = AllocateText(length);
    if (!buffer) {
        Clear();
        return;
    }
    std::memcpy(buffer, text, length + 1);
    Adopt(buffer, static_cast<u32>(length));
}

void zString::SetRange(const char* begin, const char* end) {
    if (!begin) {
        Clear();
        return;
    }
    if (!end) end = begin + std::strlen(begin);
    if (end <= begin || static_cast<size_t>(end - begin) > MaxStringLength) {
        Clear();
        return;
    }
    u32 length = static_cast<u32>(end - begin);
    char* buffer = AllocateText(length);
    if (!buffer) {
        Clear();
        return;
    }
    std::memcpy(buffer, begin, length);
    buffer[length] = '\0';
    Adopt(buffer, length);
}

void zString::Clear() {
    if (!m_borrowed) std::free(m_text);
    m_borrowed = 0;
    m_text = nullptr;
    m_hash = 0;
    m_length = 0;
}

zString& zString::Format(const char* format, ...) {
    if (!format) {
        Clear();
        return *this;
    }
    char buffer[FormatBufferSize];
    va_list args;
    va_start(args, format);
    int written = std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    if (written < 0) {
        Clear();
    } else {
        Set(buffer);
    }
    return *this;
}

u32 zString::GetHash() const {
    if (m_hash == 0) {
        u32 hash = 0;
        for (u32 i = 0; i < m_length; ++i)
            hash = HashStep(hash, m_text[i]);
        m_hash = hash | 1u;
    }
    return m_hash;
}

f32 zString::ToFloat(bool commaIsPoint) const {
    if (!m_text) return 0.0f;
    return StringToFloat(m_text, m_text + m_length, commaIsPoint);
}

bool zString::HasDriveLetter() const {
    return m_text && m_length >= 3 && m_text[1] == ':';
}

bool zString::operator==(const zString& other) const {
    if (IsEmpty() || other.IsEmpty()) return IsEmpty() && other.IsEmpty();
    if (GetHash() != other.GetHash()) return false;
    return m_length == other.m_length && std::memcmp(m_text, other.m_text, m_length) == 0;
}

bool zString::EqualsNoHash(const zString& other) const {
    if (IsEmpty() || other.IsEmpty()) return IsEmpty() && other.IsEmpty();
    return m_length == other.m_length && std::memcmp(m_text, other.m_text, m_length) == 0;
}

bool zString::operator==(const char* text) const {
    if (!text) return IsEmpty();
    if (text == m_text) return true;
    if (!m_text) return false;
    return std::strcmp(m_text, text) == 0;
}

bool zString::IsEqual(const char* text) const {
    if (IsEmpty()) return text == nullptr;
    return text && std::strcmp(m_text, text) == 0;
}

bool zString::Equals(const char* text, u32 hash) const {
    if (hash != 0 && hash != GetHash()) return false;
    return *this == text;
}

void zString::AppendBytes(const char* bytes, u32 count) {
    if (count > MaxStringLength - m_length) return;
    char* buffer = AllocateText(m_length + count);
    if (!buffer) return;
    if (m_text) std::memcpy(buffer, m_text, m_length);
    std::memcpy(buffer + m_length, bytes, count);
    buffer[m_length + count] = '\0';
    Adopt(buffer, m_length + count);
}

void zString::Append(const char* text) {
    if (!text) return;
    if (!m_text) {
        Set(text);
        return;
    }
    size_t count = std::strlen(text);
    if (count >= 0xFFFFFFFFu) return;
    AppendBytes(text, static_cast<u32>(count));
}

void zString::AppendString(const zString& text) {
    if (text.IsEmpty()) return;
    if (!m_text) {
        *this = text;
        return;
    }
    // The old buffer is freed only after the copy, so text may be this string.
    AppendBytes(text.m_text, text.m_length);
}

void zString::AppendInt(i32 value) {
    char digits[16];
    std::snprintf(digits, sizeof(digits), "%d", value);
    Append(digits);
}

zString zString::operator+(const char* text) const {
    zString result(*this);
    result.Append(text);
    return result;
}

zString zString::operator+(const zString& text) const {
    zString result(*this);
    result.AppendString(text);
    return result;
}

zString zString::ToUpperCase() const {
    zString result(*this);
    for (u32 i = 0; i < result.m_length; ++i)
        result.m_text[i] = ToUpperAscii(result.m_text[i]);
    result.m_hash = 0;
    return result;
}

zString zString::ToLowerCase() const {
    zString result(*this);
    for (u32 i = 0; i < result.m_length; ++i)
        result.m_text[i] = ToLowerAscii(result.m_text[i]);
    result.m_hash = 0;
    return result;
}

zString zString::RemoveChar(char c) const {
    zString result;
    if (!m_text) return result;
    char* buffer = AllocateText(m_length);
    if (!buffer) return result;
    u32 kept = 0;
    for (u32 i = 0; i < m_length; ++i) {
        if (m_text[i] != c) buffer[kept++] = m_text[i];
    }
    buffer[kept] = '\0';
    result.Adopt(buffer, kept);
    return result;
}

zString zString::ToTitleCase(bool keepSpaces) const {
    zString result(*this);
    for (u32 i = 0; i < result.m_length; ++i) {
        char c = result.m_text[i];
        if (c == ' ' && !keepSpaces) {
            c = '_';
        } else if (c == '_') {
            c = ' ';
        }
        if ((i == 0 || result.m_text[i - 1] == ' ') && IsLower(c)) c = ToUpperAscii(c);
        result.m_text[i] = c;
    }
    result.m_hash = 0;
    return result;
}

u32 zString::Split(const char* separator, zList<zString>& out) const {
    if (!m_text) return out.GetCount();
    const char* end = m_text + m_length;
    const char* pieceStart = m_text;
    size_t separatorLength = separator ? std::strlen(separator) : 0;
    if (separatorLength > 0) {
        for (const char* p = pieceStart; static_cast<size_t>(end - p) >= separatorLength;) {
            if (std::memcmp(p, separator, separatorLength) == 0) {
                out.Add(zString(pieceStart, p), true, true);
                p += separatorLength;
                pieceStart = p;
            } else {
                ++p;
            }
        }
    }
    if (pieceStart < end) out.Add(zString(pieceStart, end), true, true);
    return out.GetCount();
}

bool zString::NormalizePath() {
    if (IsEmpty()) return false;
    char* buffer = AllocateText(m_length);
    if (!buffer) return false;
    std::memcpy(buffer, m_text, m_length + 1);
    if (m_length >= 3 && buffer[1] == ':' && IsUpper(buffer[0])) buffer[0] = ToLowerAscii(buffer[0]);

    u32 kept = 0;
    for (u32 i = 0; i < m_length; ++i) {
        char c = buffer[i] == '\\' ? '/' : buffer[i];
        if (c == '/' && kept > 0 && buffer[kept - 1] == '/') continue;
        buffer[kept++] = c;
    }
    buffer[kept] = '\0';
    for (u32 i = 0; i < kept; ++i) {
        char c = buffer[i];
        if (!IsPathCharacter(c) && !(c == ':' && i == 1)) buffer[i] = '_';
    }
    if (kept < m_length) {
        // Keeps the buffer at exactly length + 1 bytes; a failed shrink keeps the larger one.
        if (char* smaller = static_cast<char*>(std::realloc(buffer, kept + 1))) buffer = smaller;
    }
    Adopt(buffer, kept);
    return true;
}

void zString::StripFileName() {
    if (!m_text) return;
    const char* separator = FindLastOf(m_text, m_text + m_length, ":\\/");
    if (!separator) {
        Clear();
        return;
    }
    SetRange(m_text, separator + 1);
}

void zString::StripDirectory() {
    if (!m_text) return;
    const char* separator = FindLastOf(m_text, m_text + m_length, "/\\");
    if (separator) SetRange(separator + 1, m_text + m_length);
}

void zString::StripExtension() {
    if (!m_text) return;
    const char* dot = FindExtensionDot(m_text, m_text + m_length);
    if (dot) SetRange(m_text, dot);
}

void zString::StripToBaseName() {
    StripDirectory();
    StripExtension();
}

void zString::ReplaceExtension(const char* ext) {
    StripExtension();
    Append(ext);
}

zString zString::GetFileName() const {
    zString result(*this);
    result.StripDirectory();
    return result;
}

zString zString::GetWithoutExtension() const {
    zString result(*this);
    result.StripExtension();
    return result;
}

zString zString::GetWithExtension(const char* ext) const {
    zString result(*this);
    result.ReplaceExtension(ext);
    return result;
}

zString zString::GetNormalizedPath() const {
    zString result(*this);
    result.NormalizePath();
    return result;
}

u32 StringHash(const char* text) {
    u32 hash = 0;
    if (text) {
        for (const char* p = text; *p; ++p)
            hash = HashStep(hash, *p);
    }
    return hash | 1u;
}

i32 StringToInt(const char* text) {
    if (!text) return 0;
    bool negative = *text == '-';
    if (negative) ++text;
    u32 value = 0;
    for (; IsDigit(*text); ++text)
        value = value * 10u + static_cast<u32>(*text - '0');
    if (negative) value = 0u - value;
    return static_cast<i32>(value);
}

f32 StringToFloat(const char* begin, const char* end, bool commaIsPoint) {
    if (!begin) return 0.0f;
    const char* p = begin;
    auto hasMore = [&]() { return (!end || p < end) && *p != '\0'; };

    bool negative = false;
    if (hasMore() && *p == '-') {
        negative = true;
        ++p;
    }
    f32 value = 0.0f;
    for (; hasMore() && IsDigit(*p); ++p)
        value = value * 10.0f + static_cast<f32>(*p - '0');

    if (hasMore() && (*p == '.' || (commaIsPoint && *p == ','))) {
        ++p;
        // Digits past the ninth significant one no longer change a float.
        u32 numerator = 0;
        u32 digitsKept = 0;
        for (; hasMore() && IsDigit(*p); ++p) {
            if (numerator < MaxFractionNumerator) {
                numerator = numerator * 10u + static_cast<u32>(*p - '0');
                ++digitsKept;
            }
        }
        value += ScaleByPowerOfTen(static_cast<f32>(numerator), digitsKept, true);
    }

    if (hasMore() && *p == 'e') {
        ++p;
        bool negativeExponent = false;
        if (hasMore() && *p == '-') {
            negativeExponent = true;
            ++p;
        }
        u32 exponent = 0;
        for (; hasMore() && IsDigit(*p); ++p) {
            exponent = exponent * 10u + static_cast<u32>(*p - '0');
            if (exponent > MaxDecimalExponent) exponent = MaxDecimalExponent;
        }
        // Zero stays zero whatever the exponent.
        value = ScaleByPowerOfTen(value, exponent, negativeExponent);
    }
    return negative ? -value : value;
}

u32 HexToInt(const char* text) {
    if (!text) return 0;
    char digits[8];
    int digitCount = 0;
    while (digitCount < 8 && text[digitCount] != '\0') {
        digits[digitCount] = ToLowerAscii(text[digitCount]);
        ++digitCount;
    }
    int start = 0;
    for (int i = 0; i < digitCount; ++i) {
        if (digits[i] == 'x' || digits[i] == 'h') {
            start = i + 1;
            break;
        }
    }
    u32 value = 0;
    for (int i = start; i < digitCount; ++i) {
        char c = digits[i];
        value <<= 4;
        if (IsDigit(c)) {
            value += static_cast<u32>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            value += static_cast<u32>(c - 'a' + 10);
        }
    }
    return value;
}

const char* StringFindChar(const char* text, char c, const char* end) {
    if (!text) return nullptr;
    const char* p = text;
    for (; (!end || p < end) && *p != '\0'; ++p) {
        if (*p == c) return p;
    }
    return p;
}

bool StringsDiffer(const char* a, const char* b) {
    if (!a || !b) return false;
    for (; *a && *b; ++a, ++b) {
        if (*a != *b) return true;
    }
    return false;
}

int StringSortCompare(const char* a, const char* b) {
    if (!a || !b) return (!a && !b) ? 0 : 1;
    for (; *a && *b; ++a, ++b) {
        i8 left = static_cast<i8>(*a);
        i8 right = static_cast<i8>(*b);
        if (left != right) return left < right ? 1 : -1;
    }
    if (*a == *b) return 0;
    return *a == '\0' ? 1 : -1;
}

zString GetFileExtension(const char* text) {
    if (!text) return zString();
    const char* end = text + std::strlen(text);
    const char* dot = FindExtensionDot(text, end);
    return dot ? zString(dot + 1, end) : zString();
}

void PathStripFileName(char* text) {
    if (!text) return;
    const char* separator = FindLastOf(text, text + std::strlen(text), ":\\/");
    text[separator ? separator - text + 1 : 0] = '\0';
}

void PathStripDirectory(char* text) {
    if (!text) return;
    const char* separator = FindLastOf(text, text + std::strlen(text), "/\\");
    if (separator) std::memmove(text, separator + 1, std::strlen(separator + 1) + 1);
}

void PathStripToBaseName(char* text) {
    if (!text) return;
    PathStripDirectory(text);
    const char* dot = FindLastOf(text, text + std::strlen(text), ".");
    if (dot) text[dot - text] = '\0';
}

f32 ClampFloat(f32 value, f32 lower, f32 upper) {
    if (value < lower) return lower;
    if (value > upper) return upper;
    return value;
}

int MaxInt(int a, int b) {
    return a > b ? a : b;
}

f32 RemapClamped(f32 x, f32 a, f32 b, f32 c, f32 d) {
    // An empty source range would divide by zero; x then sits at one end of it.
    if (a == b) return x < a ? c : d;
    f32 result = (x - a) / (b - a) * (d - c) + c;
    f32 lower = c < d ? c : d;
    f32 upper = c < d ? d : c;
    return ClampFloat(result, lower, upper);
}
