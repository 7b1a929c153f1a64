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
bool PlainDecimalToFloat(u64 digits, int count, int decimals, f32& out);

// Prints a finite float in fixed notation with six decimals when that reads
// back as the same value, else with as many more as it takes (all digits are
// exact, as printf's "%.*f" gives them); infinities and NaN print as "inf",
// "-inf", "nan" or "-nan". Returns the length written to out (at most 127
// characters plus a terminator).
u32 FormatFloatToken(f32 value, char (&out)[128]);
