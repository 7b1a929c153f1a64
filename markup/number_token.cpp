#include "markup/number_token.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

const char* SkipDigits(const char* c, const char* end) {
    while (c < end && IsDigit(*c))
        ++c;
    return c;
}

// The end of the float text at begin: digits, then '.' and digits, then 'e', an optional '-'
// and digits. An 'e' with no digits after it is not part of the number.
const char* FloatTextEnd(const char* begin, const char* end) {
    const char* c = SkipDigits(begin, end);
    if (c < end && *c == '.') c = SkipDigits(c + 1, end);
    if (c < end && *c == 'e') {
        const char* exponent = c + 1;
        if (exponent < end && *exponent == '-') ++exponent;
        if (exponent < end && IsDigit(*exponent)) c = SkipDigits(exponent, end);
    }
    return c;
}

// Whether the float text (as FloatTextEnd bounds it) is at least 1 in magnitude: from_chars
// reports overflow and underflow alike, as out of range.
bool AtLeastOne(const char* begin, const char* end) {
    const char* c = begin;
    while (c < end && *c == '0')
        ++c;
    const char* integerEnd = SkipDigits(c, end);
    long long position = integerEnd - c; // digits before the point, leading zeros left out
    c = integerEnd;
    if (c < end && *c == '.') {
        const char* fraction = ++c;
        if (position == 0) {
            while (c < end && *c == '0')
                ++c;
            if (c == end || !IsDigit(*c)) return false; // no significant digit: zero
            position = -(c - fraction);
        }
        c = SkipDigits(c, end);
    }
    if (c < end && *c == 'e') {
        ++c;
        const bool negative = c < end && *c == '-';
        if (negative) ++c;
        long long exponent = 0;
        for (; c < end && IsDigit(*c); ++c)
            if (exponent < 1000000) exponent = exponent * 10 + (*c - '0');
        position += negative ? -exponent : exponent;
    }
    return position > 0;
}

// Plain decimals (digits, '.', digits; no exponent), the common case, without
// from_chars (PlainDecimalToFloat).
bool ParsePlainDecimal(const char* begin, const char* end, f32& out) {
    u64 digits = 0;
    int count = 0;
    int decimals = 0;
    const char* c = begin;
    for (; c < end && IsDigit(*c); ++c, ++count)
        digits = digits * 10 + static_cast<u64>(*c - '0');
    if (c < end && *c == '.') {
        for (++c; c < end && IsDigit(*c); ++c, ++count, ++decimals)
            digits = digits * 10 + static_cast<u64>(*c - '0');
    }
    if (c < end && *c == 'e') return false;
    return PlainDecimalToFloat(digits, count, decimals, out);
}

// The text with six decimals of a finite value, by exact integer arithmetic:
// value * 10^6 rounded half to even, as to_chars rounds. False when that
// text would not read back as the value, or the value is 10^9 or more: the
// general road then decides.
bool FormatSixDecimals(f32 value, char (&out)[128], u32& length) {
    u32 bits = 0;
    std::memcpy(&bits, &value, sizeof(bits));
    const bool negative = (bits >> 31) != 0;
    const u32 biased = (bits >> 23) & 0xFF;
    u64 mantissa = bits & 0x7FFFFF;
    int exponent = -149;
    if (biased != 0) {
        mantissa |= 0x800000;
        exponent = static_cast<int>(biased) - 150;
    }
    // value * 10^6 = mantissa * 5^6 * 2^(exponent + 6), the product below 2^38.
    const u64 scaled = mantissa * 15625;
    const int shift = exponent + 6;
    u64 millionths = 0;
    if (shift >= 0) {
        if (shift > 24) return false;
        millionths = scaled << shift;
    } else if (shift > -64) {
        const int right = -shift;
        millionths = scaled >> right;
        const u64 rest = scaled & ((u64(1) << right) - 1);
        const u64 half = u64(1) << (right - 1);
        if (rest > half || (rest == half && (millionths & 1) != 0)) ++millionths;
    }
    // Below 2^-26 the product rounds to 0.
    constexpr u64 Million = 1000000;
    const u64 integer = millionths / Million;
    if (integer >= 1000000000) return false;
    char digits[16];
    char* const digitsEnd = digits + sizeof(digits);
    char* begin = digitsEnd;
    u64 rest = integer;
    do {
        *--begin = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    const int count = static_cast<int>(digitsEnd - begin) + 6;
    f32 readBack = 0.0f;
    if (!PlainDecimalToFloat(millionths, count, 6, readBack)) return false;
    if (negative) readBack = -readBack;
    if (std::memcmp(&readBack, &value, sizeof(value)) != 0) return false;
    char* c = out;
    if (negative) *c++ = '-';
    std::memcpy(c, begin, static_cast<size_t>(digitsEnd - begin));
    c += digitsEnd - begin;
    *c++ = '.';
    u64 fraction = millionths % Million;
    for (int i = 5; i >= 0; --i) {
        c[i] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    c += 6;
    *c = '\0';
    length = static_cast<u32>(c - out);
    return true;
}

} // namespace

i32 ParseIntToken(const char* begin, const char* end, bool negative, bool& outOfRange) {
    u64 magnitude = 0;
    outOfRange = false;
    for (const char* c = begin; c < end && IsDigit(*c); ++c) {
        magnitude = magnitude * 10 + static_cast<u64>(*c - '0');
        if (magnitude > 0xFFFFFFFFull) {
            outOfRange = true;
            return negative ? -2147483647 - 1 : 2147483647;
        }
    }
    u32 bits = static_cast<u32>(magnitude);
    if (negative) bits = 0u - bits;
    return static_cast<i32>(bits);
}

f32 ParseFloatToken(const char* begin, const char* end, bool negative) {
    // Only the grammar above reaches from_chars, which also knows "inf", "E" and "+".
    f32 value = 0.0f;
    if (ParsePlainDecimal(begin, end, value)) return negative ? -value : value;
    const char* textEnd = FloatTextEnd(begin, end);
    const std::from_chars_result result = std::from_chars(begin, textEnd, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range)
        value = AtLeastOne(begin, textEnd) ? HUGE_VALF : 0.0f;
    else if (result.ec != std::errc())
        value = 0.0f; // no digits
    return negative ? -value : value;
}

u32 FormatFloatToken(f32 value, char (&out)[128]) {
    char* const last = out + sizeof(out) - 1; // room for the terminator
    if (!std::isfinite(value)) {
        const std::to_chars_result result = std::to_chars(out, last, value);
        *result.ptr = '\0';
        return static_cast<u32>(result.ptr - out);
    }
    // Most values read back from six decimals, the fewest the text carries.
    u32 length = 0;
    if (FormatSixDecimals(value, out, length)) return length;
    // The fewest decimals that read back exactly; fewer than six are printed as six.
    std::to_chars_result result = std::to_chars(out, last, value, std::chars_format::fixed);
    int decimals = 0;
    if (result.ec == std::errc())
        for (const char* c = out; c < result.ptr; ++c)
            if (*c == '.') decimals = static_cast<int>(result.ptr - c - 1);
    if (decimals < 6) decimals = 6;
    // The value rounded to that many decimals can miss where the shortest text was not the
    // nearest (next to a power of two); one more decimal then.
    for (; decimals <= 60; ++decimals) {
        result = std::to_chars(out, last, value, std::chars_format::fixed, decimals);
        if (result.ec != std::errc()) break;
        const bool negative = out[0] == '-';
        const f32 readBack = ParseFloatToken(out + (negative ? 1 : 0), result.ptr, negative);
        if (std::memcmp(&readBack, &value, sizeof(value)) == 0) {
            *result.ptr = '\0';
            return static_cast<u32>(result.ptr - out);
        }
    }
    out[0] = '\0';
    return 0; // not reached: every finite float reads back from its exact decimals
}
