#include "markup/binary_encoding.h"

#include "core/log.h"

namespace {

constexpr u32 AsciiGroupsPerLine = 15;

// Writes into a bounded output, or only counts when there is none.
struct EncodedOutput {
    char* out;
    size_t capacity;
    size_t count = 0;

    void Put(char c) {
        if (!out) {
            ++count;
        } else if (count < capacity) {
            out[count++] = c;
        }
    }
};

void LogUnderflow() {
    GetLog() << "[*] input buffer underflow.\n";
}

}  // namespace

size_t AsciiEncode(const void* data, size_t size, char* out, size_t capacity) {
    const u8* bytes = static_cast<const u8*>(data);
    EncodedOutput output{out, capacity};
    size_t position = 0;
    while (position < size) {
        const size_t remaining = size - position;
        const size_t groupsLeft = (remaining + 2) / 3;
        const u32 groups = groupsLeft < AsciiGroupsPerLine ? static_cast<u32>(groupsLeft) : AsciiGroupsPerLine;
        output.Put(static_cast<char>(32 + 3 * groups));
        for (u32 group = 0; group < groups; ++group) {
            u32 bits = 0;
            for (int k = 0; k < 3; ++k) {
                bits <<= 8;
                if (position < size) bits |= bytes[position];
                ++position;
            }
            output.Put(static_cast<char>(32 + ((bits >> 18) & 63)));
            output.Put(static_cast<char>(32 + ((bits >> 12) & 63)));
            output.Put(static_cast<char>(32 + ((bits >> 6) & 63)));
            output.Put(static_cast<char>(32 + (bits & 63)));
        }
        output.Put('\n');
    }
    return output.count;
}

size_t AsciiDecode(const char* text, size_t length, void* out, size_t capacity) {
    const u8* in = reinterpret_cast<const u8*>(text);
    u8* bytes = static_cast<u8*>(out);
    size_t position = 0;
    size_t written = 0;
    while (length - position > 1) {
        const u8 lengthChar = in[position++];
        const size_t groups = lengthChar < 32 ? 0 : (lengthChar - 32u) / 3u;
        if (groups * 4 > length - position) {
            LogUnderflow();
            break;
        }
        for (size_t group = 0; group < groups; ++group) {
            const u8* chars = in + position;
            const u32 bits = (static_cast<u32>((chars[0] - 32u) & 63u) << 18) |
                             (static_cast<u32>((chars[1] - 32u) & 63u) << 12) |
                             (static_cast<u32>((chars[2] - 32u) & 63u) << 6) |
                             static_cast<u32>((chars[3] - 32u) & 63u);
            position += 4;
            const u8 decoded[3] = {static_cast<u8>(bits >> 16), static_cast<u8>(bits >> 8), static_cast<u8>(bits)};
            for (u8 byte : decoded) {
                if (written < capacity) bytes[written++] = byte;
            }
        }
        // The line feed closing the line, not examined.
        if (position < length) ++position;
    }
    return written;
}

size_t AsciiDecodedBound(size_t length) {
    return length / 4 * 3;
}

size_t YEncEncode(const void* data, size_t size, char* out, size_t capacity, u32 lineLength) {
    if (lineLength == 0) {
        GetLog() << "[!] invalid line-feed size for yEncoding.\n";
        return 0;
    }
    const u8* bytes = static_cast<const u8*>(data);
    EncodedOutput output{out, capacity};
    u32 line = 0;
    for (size_t i = 0; i < size; ++i) {
        if (line >= lineLength) {
            output.Put('\n');
            line = 0;
        }
        const u8 c = static_cast<u8>(bytes[i] + 42);
        if (c == 0 || c == 10 || c == 13 || c == '=') {
            output.Put('=');
            output.Put(static_cast<char>(static_cast<u8>(c + 64)));
            line += 2;
        } else {
            output.Put(static_cast<char>(c));
            line += 1;
        }
    }
    return output.count;
}

size_t YEncDecode(const char* text, size_t length, void* out, size_t capacity) {
    const u8* in = reinterpret_cast<const u8*>(text);
    u8* bytes = static_cast<u8*>(out);
    size_t written = 0;
    size_t position = 0;
    // The whole text is walked even once the output is full, so that a cut escape or line feed
    // at its end is still reported.
    while (position < length) {
        u8 c = in[position];
        if (c == '\n' || c == '=') {
            if (position + 1 == length) {
                LogUnderflow();
                break;
            }
            if (c == '\n') {
                ++position;
                continue;
            }
            c = static_cast<u8>(in[position + 1] - 64);
            position += 2;
        } else {
            ++position;
        }
        if (written < capacity) bytes[written++] = static_cast<u8>(c - 42);
    }
    return written;
}

size_t YEncDecodedBound(size_t length) {
    return length;
}
