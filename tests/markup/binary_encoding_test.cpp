#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "markup/binary_encoding.h"
#include "tests/support/log_capture.h"

namespace {

std::string Encode(bool yEnc, const std::string& raw, u32 lineLength = YEncLineLength) {
    const size_t counted = yEnc ? YEncEncode(raw.data(), raw.size(), nullptr, 0, lineLength)
                                : AsciiEncode(raw.data(), raw.size(), nullptr, 0);
    std::string out(counted, '\0');
    const size_t produced = yEnc ? YEncEncode(raw.data(), raw.size(), &out[0], out.size(), lineLength)
                                 : AsciiEncode(raw.data(), raw.size(), &out[0], out.size());
    EXPECT_EQ(produced, counted);
    return out;
}

std::string Decode(bool yEnc, const std::string& text, size_t capacity) {
    std::string out(capacity, '\0');
    const size_t decoded = yEnc ? YEncDecode(text.data(), text.size(), &out[0], capacity)
                                : AsciiDecode(text.data(), text.size(), &out[0], capacity);
    out.resize(decoded);
    return out;
}

}  // namespace

TEST(BinaryEncoding, KnownVectors) {
    struct Case {
        bool yEnc;
        std::string raw;
        std::string encoded;
    };
    const std::vector<Case> cases = {
        {true, "A", "k"},
        {true, std::string(1, '\xD6'), "=@"},  // 214 + 42 = 0
        {true, std::string(1, '\x13'), "=}"},  // 19 + 42 = '='
        {true, std::string(1, '\xE0'), "=J"},  // 224 + 42 = LF
        {true, std::string(1, '\xE3'), "=M"},  // 227 + 42 = CR
        {true, "Cat", "m\x8b\x9e"},
        {false, "Cat", "#0V%T\n"},
        {false, std::string(3, '\0'), "#    \n"},
        {false, "", ""},
        {true, "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Encode(c.yEnc, c.raw), c.encoded) << c.encoded;
        EXPECT_EQ(Decode(c.yEnc, c.encoded, c.raw.size()), c.raw) << c.encoded;
    }
}

TEST(BinaryEncoding, YEncLinesOfEscapes) {
    // 64 bytes that all need an escape: two lines of 32 pairs.
    const std::string raw(64, '\xD6');
    const std::string encoded = Encode(true, raw);
    ASSERT_EQ(encoded.size(), 129u);
    EXPECT_EQ(encoded.find('\n'), 64u);
    EXPECT_EQ(Decode(true, encoded, 64), raw);
}

TEST(BinaryEncoding, YEncLineBreaksBeforeTheByteThatOverflows) {
    // 63 plain bytes, then an escape pair: one line of 65 characters.
    std::string raw(63, 'A');
    raw += '\xD6';
    raw += 'A';
    const std::string encoded = Encode(true, raw);
    EXPECT_EQ(encoded.find('\n'), 65u);
    EXPECT_EQ(encoded.size(), 67u);
    EXPECT_EQ(encoded.back(), 'k');
}

TEST(BinaryEncoding, AsciiLinesHoldFifteenGroups) {
    std::string raw;
    for (int i = 0; i < 100; ++i) raw += static_cast<char>(i * 7);
    const std::string encoded = Encode(false, raw);
    // 45 + 45 + 10 bytes: two full lines (62 characters) and one of 4 groups.
    ASSERT_EQ(encoded.size(), 62u + 62u + 18u);
    EXPECT_EQ(encoded[0], static_cast<char>(32 + 45));
    EXPECT_EQ(encoded[124], static_cast<char>(32 + 12));
    EXPECT_EQ(encoded.back(), '\n');
    // The decoder drops the padding of the last group at the capacity.
    EXPECT_EQ(Decode(false, encoded, raw.size()), raw);
}

TEST(BinaryEncoding, RoundTripEveryByteValueAndLength) {
    for (size_t length : {1u, 2u, 44u, 45u, 46u, 63u, 64u, 65u, 200u, 1000u}) {
        std::string raw;
        for (size_t i = 0; i < length; ++i) raw += static_cast<char>((i * 37 + 214) & 0xFF);
        for (bool yEnc : {false, true}) {
            EXPECT_EQ(Decode(yEnc, Encode(yEnc, raw), length), raw) << length << (yEnc ? " yenc" : " ascii");
        }
    }
}

TEST(BinaryEncoding, UnderflowEndsDecoding) {
    struct Case {
        bool yEnc;
        std::string text;
        size_t decoded;
    };
    const std::vector<Case> cases = {
        {true, "kk=", 2},
        {true, "kk\n", 2},
        {false, "#0V", 0},     // one group announced, three characters left
        {false, "&0V%T\n", 0},  // two groups announced, one present
    };
    for (const Case& c : cases) {
        LogCapture capture;
        EXPECT_EQ(Decode(c.yEnc, c.text, 16).size(), c.decoded) << c.text;
        EXPECT_EQ(capture.Text(), "[*] input buffer underflow.\n") << c.text;
    }
}

// The text is read to its end even once the output is full: a final line feed
// after the last byte still counts as an underflow.
TEST(BinaryEncoding, YEncReadsPastAFullOutput) {
    struct Case {
        std::string text;
        size_t capacity;
        std::string decoded;
        std::string log;
    };
    const std::vector<Case> cases = {
        {"kk\n", 2, "AA", "[*] input buffer underflow.\n"},
        {"kk=", 2, "AA", "[*] input buffer underflow.\n"},
        {"kkk\n", 2, "AA", "[*] input buffer underflow.\n"},
        {"kkk", 2, "AA", ""},
        {"kk\nk", 2, "AA", ""},
    };
    for (const Case& c : cases) {
        LogCapture capture;
        EXPECT_EQ(Decode(true, c.text, c.capacity), c.decoded) << c.text;
        EXPECT_EQ(capture.Text(), c.log) << c.text;
    }
}

TEST(BinaryEncoding, ZeroLineLengthIsRefused) {
    LogCapture capture;
    EXPECT_EQ(YEncEncode("abc", 3, nullptr, 0, 0), 0u);
    EXPECT_EQ(capture.Text(), "[!] invalid line-feed size for yEncoding.\n");
}

TEST(BinaryEncoding, EncodersStopAtTheCapacity) {
    char out[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(YEncEncode("abcdef", 6, out, 3), 3u);
    EXPECT_EQ(out[3], 'x');
    EXPECT_EQ(AsciiEncode("abcdef", 6, out, 3), 3u);
    EXPECT_EQ(out[3], 'x');
}
