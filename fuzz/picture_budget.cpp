#include "fuzz/picture_budget.h"

#include <cstring>

namespace {

// Byte i, 0 past the end.
u32 At(const u8* data, size_t size, size_t i) {
    return i < size ? data[i] : 0;
}

u32 Little16(const u8* data, size_t size, size_t i) {
    return At(data, size, i) | (At(data, size, i + 1) << 8);
}

u32 Big16(const u8* data, size_t size, size_t i) {
    return (At(data, size, i) << 8) | At(data, size, i + 1);
}

u32 Big32(const u8* data, size_t size, size_t i) {
    return (Big16(data, size, i) << 16) | Big16(data, size, i + 2);
}

u32 Little32(const u8* data, size_t size, size_t i) {
    return Little16(data, size, i) | (Little16(data, size, i + 2) << 16);
}

u64 AbsoluteOf(u32 value) {
    i32 signedValue = i32(value);
    return signedValue < 0 ? u64(-i64(signedValue)) : u64(signedValue);
}

bool StartsWith(const u8* data, size_t size, const char* magic) {
    size_t length = std::strlen(magic);
    return size >= length && std::memcmp(data, magic, length) == 0;
}

// Decimal numbers after position, skipping anything else; saturated.
u64 NextNumber(const u8* data, size_t size, size_t& position) {
    while (position < size && (data[position] < '0' || data[position] > '9')) ++position;
    u64 value = 0;
    while (position < size && data[position] >= '0' && data[position] <= '9') {
        if (value < (u64(1) << 40)) value = value * 10 + (data[position] - '0');
        ++position;
    }
    return value;
}

u64 Larger(u64 a, u64 b) { return a > b ? a : b; }

u64 JpegArea(const u8* data, size_t size) {
    u64 largest = 0;
    for (size_t i = 0; i + 1 < size; ++i) {
        u32 marker = data[i + 1];
        bool frame = data[i] == 0xFF && marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                     marker != 0xCC;
        if (frame) largest = Larger(largest, u64(Big16(data, size, i + 5)) * Big16(data, size, i + 7));
    }
    return largest;
}

u64 RadianceArea(const u8* data, size_t size) {
    for (size_t i = 0; i + 1 < size; ++i) {
        if ((data[i] == '-' || data[i] == '+') && (data[i + 1] == 'Y' || data[i + 1] == 'X')) {
            size_t position = i + 2;
            u64 first = NextNumber(data, size, position);
            u64 second = NextNumber(data, size, position);
            return first * second;
        }
    }
    return 0;
}

} // namespace

u64 ClaimedPictureArea(const u8* data, size_t size) {
    u64 area = 0;
    if (At(data, size, 0) == 0xFF && At(data, size, 1) == 0xD8) area = Larger(area, JpegArea(data, size));
    // TGA as our reader takes it (the type word) or as stb_image does.
    u32 typeWord = Little16(data, size, 2);
    u32 stbType = At(data, size, 2) & ~8u;
    bool ourTga = typeWord == 1 || typeWord == 2 || typeWord == 3 || typeWord == 9 || typeWord == 10;
    bool stbTga = At(data, size, 1) <= 1 && stbType >= 1 && stbType <= 3;
    if (ourTga || stbTga) area = Larger(area, u64(Little16(data, size, 12)) * Little16(data, size, 14));
    if (At(data, size, 0) == 'P') {
        size_t position = 2;
        u64 width = NextNumber(data, size, position);
        area = Larger(area, width * NextNumber(data, size, position));
    }
    if (StartsWith(data, size, "#?")) area = Larger(area, RadianceArea(data, size));
    if (StartsWith(data, size, "8BPS"))
        area = Larger(area, u64(Big32(data, size, 14)) * Big32(data, size, 18));
    if (StartsWith(data, size, "BM"))
        area = Larger(area, AbsoluteOf(Little32(data, size, 18)) * AbsoluteOf(Little32(data, size, 22)));
    if (StartsWith(data, size, "GIF")) {
        area = Larger(area, u64(Little16(data, size, 6)) * Little16(data, size, 8));
        // Every image descriptor may claim its own frame.
        for (size_t i = 10; i + 9 < size; ++i)
            if (data[i] == 0x2C) area = Larger(area, u64(Little16(data, size, i + 5)) * Little16(data, size, i + 7));
    }
    if (StartsWith(data, size, "\x53\x80\xF6\x34"))
        area = Larger(area, u64(Big16(data, size, 88)) * Big16(data, size, 90));
    if (StartsWith(data, size, "\x89PNG")) area = Larger(area, u64(Big32(data, size, 16)) * Big32(data, size, 20));
    return area;
}
