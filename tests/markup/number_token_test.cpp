#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
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
