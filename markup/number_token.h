// The tokens of ZML text shared by the reader and the writer: the characters
// that end a word (a tag name or a number token), and the number tokens of
// values, which the writer checks read back unchanged.
//
// A token is the text after an optional leading '-', up to a word delimiter.
// Ints are decimal digits up to the first non-digit. Floats are integer
// digits, then '.' and fraction digits, then 'e', an optional '-' and
// exponent digits; any other character ends the number, so "3f" is 3 and
// "1E5" is 1. Floats are rounded once to the nearest single-precision value
// (ties to even); past the largest float they are infinite, below half the
// smallest they are 0.
#pragma once

#include <cstring>

#include "core/types.h"

// True for the characters that end a word: blanks, '/', '*', '+', '=', ';',
// ':', ',', '<', '>', '(', ')', '"' and '-'. A tag name holding one cannot be
// read back.
constexpr bool IsWordDelimiter(char c) {
    switch (c) {
    case ' ': case '\r': case '\t': case '\n': case '/': case '*': case '+': case '=': case ';':
    case ':': case ',': case '<': case '>': case '(': case ')': case '"': case '-':
        return true;
    default:
        return false;
    }
}

// Magnitudes up to 0xFFFFFFFF wrap into i32 as stored files rely on (a u32
// colour written as a decimal); larger ones clamp and set outOfRange.
i32 ParseIntToken(const char* begin, const char* end, bool negative, bool& outOfRange);
f32 ParseFloatToken(const char* begin, const char* end, bool negative);

// The float of a plain decimal token (no exponent) read as count digits, the
// last decimals of them after the point, into the integer digits; false when
// the fast reading could differ from ParseFloatToken's (no digits, more than
// 15, a tie between two floats): the token then goes to ParseFloatToken.
// Up to 15 digits: the digits as an integer divided by an exact power of ten
// is the correctly rounded double, and rounding that to a float gives
// from_chars' result unless the double fell exactly halfway between two
// floats. Inline: the reader calls it for most numbers.
inline bool PlainDecimalToFloat(u64 digits, int count, int decimals, f32& out) {
    static constexpr double PowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    if (count == 0 || count > 15) return false;
    const double value = static_cast<double>(digits) / PowersOfTen[decimals];
    u64 bits = 0;
    std::memcpy(&bits, &value, sizeof(bits));
    // The 29 bits below a float's last bit: exactly one half.
    if ((bits & 0x1FFFFFFFull) == 0x10000000ull) return false;
    out = static_cast<f32>(value);
    return true;
}

// Prints a finite float in fixed notation with six decimals when that reads
// back as the same value, else with as many more as it takes (all digits are
// exact, as printf's "%.*f" gives them); infinities and NaN print as "inf",
// "-inf", "nan" or "-nan". Returns the length written to out (at most 127
// characters plus a terminator).
u32 FormatFloatToken(f32 value, char (&out)[128]);
