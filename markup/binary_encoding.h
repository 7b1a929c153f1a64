// The two text-safe encodings of binary blocks inside ZML text.
//
// Ascii (method 0): lines of up to 15 groups of 3 bytes (the last group padded
// with zeros); a line is one length character 32 + 3 * groups, four
// characters 32..95 per group (6 bits each, most significant first) and a line
// feed.
//
// YEnc (method 1, marked '@' in the block header): each byte b becomes
// c = b + 42 (mod 256); c of 0, 10, 13 or '=' is written as '=' and c + 64.
// A line feed starts a new line once lineLength characters stand on the
// current one; none follows the last byte.
//
// Encoders with a null output only count. Every routine stops at the
// capacity of its output and returns the bytes it produced (or would).
#pragma once

#include <cstddef>

#include "core/types.h"

// The writer's line length for YEnc.
constexpr u32 YEncLineLength = 64;

size_t AsciiEncode(const void* data, size_t size, char* out, size_t capacity);
// Decodes until at most one character is left; a line that needs more
// characters than remain logs "[*] input buffer underflow.\n" and ends it.
size_t AsciiDecode(const char* text, size_t length, void* out, size_t capacity);
// The most bytes that length encoded characters can decode to.
size_t AsciiDecodedBound(size_t length);

// lineLength 0 logs "[!] invalid line-feed size for yEncoding.\n" and gives 0.
size_t YEncEncode(const void* data, size_t size, char* out, size_t capacity, u32 lineLength = YEncLineLength);
// Skips line feeds; an escape or line feed that ends the text logs
// "[*] input buffer underflow.\n" and ends decoding. The whole text is read;
// bytes past the capacity are dropped.
size_t YEncDecode(const char* text, size_t length, void* out, size_t capacity);
size_t YEncDecodedBound(size_t length);
