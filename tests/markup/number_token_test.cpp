#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "markup/number_token.h"

namespace {

f32 Parse(const std::string& token) {
    const bool negative = !token.empty() && token[0] == '-';
    return ParseFloatToken(token.data() + (negative ? 1 : 0), token.data() + token.size(), negative);
}

bool SameBits(f32 a, f32 b) {
    return std::memcmp(&a, &b, sizeof(a)) == 0;
}

}  // namespace

TEST(NumberToken, FloatsAreRoundedOnceToTheNearest) {
    // Decimal texts of every length and scale must give what a correctly
    // rounding conversion gives.
    std::mt19937_64 random(99);
    for (int i = 0; i < 20000; ++i) {
        std::string token = std::to_string(random() % 100000000000ull);
        const int point = static_cast<int>(random() % (token.size() + 1));
        token.insert(token.begin() + point, '.');
        if (random() % 3 == 0) token.insert(0, std::string(random() % 40, '0'));
        if (random() % 3 == 0) token = "0." + std::string(random() % 40, '0') + token.substr(token.find('.') + 1);
        const f32 expected = std::strtof(token.c_str(), nullptr);
        EXPECT_TRUE(SameBits(Parse(token), expected)) << token;
    }
}

TEST(NumberToken, ShortDecimalsHalfwayBetweenFloatsRoundToEven) {
    // Short texts whose value lies exactly halfway between two floats, and
    // their neighbours, as a correctly rounding conversion reads them.
    const char* const cases[] = {"16777217", "16777217.0", "16777219.", "33554434", "33554438.00",
                                 "8388608.5", "8388609.5", "4194304.25", "4194304.75", "0.5",
                                 "16777216.5", "16777218", "999999999999999", "123456789012345",
                                 "0.000000000000001", "0.1", "0.2", "0.3", "3.4028235", "1.17549435"};
    for (const char* text : cases) {
        for (const bool negative : {false, true}) {
            const std::string token = std::string(negative ? "-" : "") + text;
            const f32 expected = std::strtof(token.c_str(), nullptr);
            EXPECT_TRUE(SameBits(Parse(token), expected)) << token;
        }
    }
    // Every odd integer from 2^24 on is halfway between two floats.
    for (u32 n = (1u << 24) - 40; n < (1u << 24) + 4000; ++n) {
        const std::string token = std::to_string(n) + ".0";
        EXPECT_TRUE(SameBits(Parse(token), std::strtof(token.c_str(), nullptr))) << token;
    }
}

TEST(NumberToken, FloatGrammar) {
    struct Case {
        const char* token;
        f32 value;
    };
    const Case cases[] = {
        {"3f", 3.0f},        {"1.5e2", 150.0f}, {"1.5e2f", 150.0f}, {".5", 0.5f},  {"7.", 7.0f},
        {"2x9.5", 2.0f},     {"-0.0", -0.0f},   {"", 0.0f},         {"1e", 1.0f},  {"0.1", 0.1f},
        {"16777217.0", 16777216.0f},
    };
    for (const Case& c : cases) EXPECT_TRUE(SameBits(Parse(c.token), c.value)) << c.token;
}

TEST(NumberToken, IntRange) {
    struct Case {
        const char* token;
        bool negative;
        i32 value;
        bool outOfRange;
    };
    const Case cases[] = {
        {"12abc", false, 12, false},          {"", false, 0, false},
        {"2147483648", false, -2147483647 - 1, false}, {"4294967295", false, -1, false},
        {"4294967296", false, 2147483647, true},       {"2147483648", true, -2147483647 - 1, false},
        {"4294967296", true, -2147483647 - 1, true},
    };
    for (const Case& c : cases) {
        bool outOfRange = !c.outOfRange;
        EXPECT_EQ(ParseIntToken(c.token, c.token + std::strlen(c.token), c.negative, outOfRange), c.value) << c.token;
        EXPECT_EQ(outOfRange, c.outOfRange) << c.token;
    }
}

TEST(NumberToken, FloatTextStopsWhereTheGrammarDoes) {
    // Forms a general float reader knows but ZML does not: they end the number.
    struct Case {
        const char* token;
        f32 value;
    };
    const Case cases[] = {
        {"1E5", 1.0f},     {"1e+5", 1.0f}, {"inf", 0.0f},   {"nan", 0.0f},   {"e5", 0.0f},
        {".e5", 0.0f},     {".", 0.0f},    {"1e-", 1.0f},   {"1e-2", 0.01f}, {"0000.0000e99999999", 0.0f},
        {"-inf", -0.0f},
    };
    for (const Case& c : cases) EXPECT_TRUE(SameBits(Parse(c.token), c.value)) << c.token;
}

TEST(NumberToken, FloatsOutOfRangeOverflowOrUnderflow) {
    const f32 infinity = std::numeric_limits<f32>::infinity();
    const f32 largest = std::numeric_limits<f32>::max();
    struct Case {
        const char* token;
        f32 value;
    };
    const Case cases[] = {
        {"1e39", infinity},
        {"-1e39", -infinity},
        {"1e999999999999", infinity},
        {"1e-46", 0.0f},
        {"-1e-46", -0.0f},
        {"0.00000000000000000000000000000000000000000000000001", 0.0f},
        {"1e-45", std::numeric_limits<f32>::denorm_min()},
        {"340282346638528859811704183484516925440.000000", largest},
        // Halfway between the largest float and 2^128 rounds to even: infinity.
        {"340282356779733661637539395458142568448", infinity},
        {"340282356779733661637539395458142568447", largest},
    };
    for (const Case& c : cases) EXPECT_TRUE(SameBits(Parse(c.token), c.value)) << c.token;
}

TEST(NumberToken, FloatsPrintWithSixDecimalsOrAsManyAsReadBack) {
    struct Case {
        f32 value;
        const char* text;
    };
    const Case cases[] = {
        {1.0f, "1.000000"},
        {0.1f, "0.100000"},
        {-0.0f, "-0.000000"},
        {-2.5f, "-2.500000"},
        {0.3f, "0.300000"},
        {123.456f, "123.456001"},
        {1e-7f, "0.0000001"},
        {0.0000015f, "0.0000015"},
        {0.0078125f, "0.0078125"},
        {16777216.0f, "16777216.000000"},
        {1e10f, "10000000000.000000"},
        {std::numeric_limits<f32>::max(), "340282346638528859811704183484516925440.000000"},
        {std::numeric_limits<f32>::min(), "0.000000000000000000000000000000000000011754944"},
        {std::numeric_limits<f32>::denorm_min(), "0.000000000000000000000000000000000000000000001"},
        {std::numeric_limits<f32>::infinity(), "inf"},
        {-std::numeric_limits<f32>::infinity(), "-inf"},
    };
    for (const Case& c : cases) {
        char text[128];
        const u32 length = FormatFloatToken(c.value, text);
        EXPECT_EQ(std::string(text, length), c.text);
        EXPECT_EQ(std::strlen(text), length);
    }
}

TEST(NumberToken, EveryPrintedFloatReadsBackTheSame) {
    std::mt19937 random(7);
    for (int i = 0; i < 200000; ++i) {
        u32 bits = random();
        if (i < 256) bits = u32(i) << 23;  // every power of two, then random patterns
        f32 value;
        std::memcpy(&value, &bits, sizeof(value));
        if (!std::isfinite(value)) continue;
        char text[128];
        const u32 length = FormatFloatToken(value, text);
        ASSERT_GT(length, 0u);
        EXPECT_TRUE(SameBits(Parse(std::string(text, length)), value)) << text;
        // Six decimals at least, and no more than reading back needs.
        const char* point = std::strchr(text, '.');
        ASSERT_NE(point, nullptr) << text;
        const size_t decimals = length - size_t(point + 1 - text);
        EXPECT_GE(decimals, 6u) << text;
        if (decimals > 6) {
            char fewer[128];
            std::snprintf(fewer, sizeof(fewer), "%.*f", int(decimals - 1), double(value));
            EXPECT_FALSE(SameBits(Parse(fewer), value)) << text;
        }
    }
}
