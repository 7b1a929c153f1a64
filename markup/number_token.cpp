#include "markup/number_token.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Powers of ten that are exact in single precision.
constexpr f32 ExactPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

constexpr f64 ExactDoublePowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                           1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// mantissa * 10^exponent rounded once to double (both operands exact), then to
// float. The second rounding is exact unless the double lands on a midpoint
// between two floats, or the result is not a normal float: false then.
bool RoundThroughDouble(u64 mantissa, i32 exponent, f32& out) {
    if (mantissa >= (1ull << 53) || exponent < -22 || exponent > 22) return false;
    const f64 m = static_cast<f64>(mantissa);
    const f64 value = exponent >= 0 ? m * ExactDoublePowersOfTen[exponent] : m / ExactDoublePowersOfTen[-exponent];
    if (!(value >= 1.1754943508222875e-38 && value <= 3.4028234663852886e+38)) return false;
    u64 bits;
    std::memcpy(&bits, &value, sizeof(bits));
    // The 29 double mantissa bits below the float's last bit: 1 then zeros is a midpoint.
    if ((bits & ((1ull << 29) - 1)) == (1ull << 28)) return false;
    out = static_cast<f32>(value);
    return true;
}

}  // namespace

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
    // Up to 19 significant digits; further ones only scale.
    constexpr u64 MantissaLimit = 1000000000000000000ull;
    constexpr i32 ExponentLimit = 100000;
    u64 mantissa = 0;
    i32 exponent = 0;
    const char* c = begin;
    for (; c < end && IsDigit(*c); ++c) {
        if (mantissa < MantissaLimit) {
            mantissa = mantissa * 10 + static_cast<u64>(*c - '0');
        } else if (exponent < ExponentLimit) {
            ++exponent;
        }
    }
    if (c < end && *c == '.') {
        // Zeros are taken in only when a non-zero digit follows, so the
        // trailing zeros of "1.500000" keep the mantissa small.
        u32 pendingZeros = 0;
        for (++c; c < end && IsDigit(*c); ++c) {
            if (*c == '0') {
                ++pendingZeros;
                continue;
            }
            for (; pendingZeros > 0 && mantissa < MantissaLimit; --pendingZeros) {
                mantissa *= 10;
                --exponent;
            }
            if (mantissa < MantissaLimit) {
                mantissa = mantissa * 10 + static_cast<u64>(*c - '0');
                --exponent;
            }
            pendingZeros = 0;
        }
    }
    if (c < end && *c == 'e') {
        ++c;
        bool negativeExponent = false;
        if (c < end && *c == '-') {
            negativeExponent = true;
            ++c;
        }
        i32 written = 0;
        for (; c < end && IsDigit(*c); ++c) {
            if (written < ExponentLimit) written = written * 10 + (*c - '0');
        }
        exponent += negativeExponent ? -written : written;
    }

    f32 value;
    if (mantissa == 0) {
        value = 0.0f;
    } else if (mantissa <= (1u << 24) && exponent >= -10 && exponent <= 10) {
        // Both operands exact: one correctly rounded operation.
        const f32 m = static_cast<f32>(mantissa);
        value = exponent >= 0 ? m * ExactPowersOfTen[exponent] : m / ExactPowersOfTen[-exponent];
    } else if (!RoundThroughDouble(mantissa, exponent, value)) {
        // No decimal point in the text, so the locale plays no part.
        char text[48];
        std::snprintf(text, sizeof(text), "%llue%d", static_cast<unsigned long long>(mantissa), exponent);
        value = std::strtof(text, nullptr);
    }
    return negative ? -value : value;
}

u32 FormatFloatToken(f32 value, char (&out)[128]) {
    for (int decimals = 6; decimals <= 60; ++decimals) {
        const int length = std::snprintf(out, sizeof(out), "%.*f", decimals, static_cast<double>(value));
        if (length <= 0 || length >= static_cast<int>(sizeof(out))) break;
        const bool negative = out[0] == '-';
        const f32 readBack = ParseFloatToken(out + (negative ? 1 : 0), out + length, negative);
        if (std::memcmp(&readBack, &value, sizeof(value)) == 0) return static_cast<u32>(length);
    }
    // Not reached for finite values; keep the plain form.
    const int length = std::snprintf(out, sizeof(out), "%f", static_cast<double>(value));
    return length > 0 && length < static_cast<int>(sizeof(out)) ? static_cast<u32>(length) : 0;
}
