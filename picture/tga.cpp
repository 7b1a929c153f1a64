#include "picture/tga.h"

#include <cstring>

#include "core/log.h"
#include "io/handle.h"
#include "picture/picture.h"

namespace {

constexpr u32 HeaderSize = 18;
constexpr u32 PaletteEntries = 256;
constexpr u32 DescriptorTopFirst = 0x20;

// Bounded reads over the file bytes.
struct TgaCursor {
    const u8* bytes;
    u64 size;
    u64 position;

    u64 Left() const { return position < size ? size - position : 0; }
    bool Skip(u64 count) {
        if (Left() < count) {
            position = size;
            return false;
        }
        position += count;
        return true;
    }
    // Pointer to count bytes, or null when fewer are left.
    const u8* Take(u64 count) {
        if (Left() < count) return nullptr;
        const u8* p = bytes + position;
        position += count;
        return p;
    }
};

u32 Word16(const u8* p) { return u32(p[0]) | (u32(p[1]) << 8); }

// BGRA8 words of the pixel encodings.
u32 FromBgr(const u8* p) { return 0xff000000u | (u32(p[2]) << 16) | (u32(p[1]) << 8) | p[0]; }
u32 FromBgra(const u8* p) { return (u32(p[3]) << 24) | (u32(p[2]) << 16) | (u32(p[1]) << 8) | p[0]; }
u32 From16(const u8* p) {
    const u32 v = Word16(p);
    const u32 blue = (v << 3) & 0xf8, green = (v >> 2) & 0xf8, red = (v >> 7) & 0xf8;
    return 0xff000000u | (red << 16) | (green << 8) | blue;
}
u32 FromGrey(const u8* p) { return u32(p[0]) * 0x01010101u; }

void Store(u8* pixels, u64 index, u32 colour) { std::memcpy(pixels + index * 4, &colour, 4); }

u32 PaletteEntry(const u8* p, u32 entryBits) {
    if (entryBits == 16) return From16(p);
    if (entryBits == 32) return FromBgra(p);
    // 24 bits: magenta is the transparent colour.
    const u32 colour = FromBgr(p);
    return (p[0] == 255 && p[1] == 0 && p[2] == 255) ? colour & 0x00ffffffu : colour;
}

// Run-length packets of pixels 'pixelBytes' wide, clipped to the picture.
template <typename Convert>
void DecodeRunLength(TgaCursor& in, u8* pixels, u64 total, u32 pixelBytes, Convert convert) {
    u64 produced = 0;
    while (produced < total) {
        const u8* header = in.Take(1);
        if (!header) return;
        u64 count = (*header & 0x7fu) + 1;
        if (count > total - produced) count = total - produced;
        if (*header & 0x80u) {
            const u8* value = in.Take(pixelBytes);
            if (!value) return;
            const u32 colour = convert(value);
            for (u64 i = 0; i < count; ++i) Store(pixels, produced++, colour);
        } else {
            for (u64 i = 0; i < count; ++i) {
                const u8* value = in.Take(pixelBytes);
                if (!value) return;
                Store(pixels, produced++, convert(value));
            }
        }
    }
}

void FlipRows(zPicture& picture) {
    const u64 rowSize = picture.GetRowSize();
    std::vector<u8> row(rowSize);
    u8* pixels = picture.GetPixels();
    for (u32 top = 0, bottom = picture.GetHeight() - 1; top < bottom; ++top, --bottom) {
        std::memcpy(row.data(), pixels + top * rowSize, rowSize);
        std::memcpy(pixels + top * rowSize, pixels + bottom * rowSize, rowSize);
        std::memcpy(pixels + bottom * rowSize, row.data(), rowSize);
    }
}

bool IsAcceptedType(u32 typeWord) {
    return typeWord == 1 || typeWord == 2 || typeWord == 3 || typeWord == 9 || typeWord == 10;
}

}  // namespace

bool DecodeTGA(const u8* bytes, u64 size, zPicture& picture) {
    if (!bytes || size < HeaderSize) return false;
    const u8* header = bytes;
    // Image type plus 256 x the low byte of the colour-map first index.
    const u32 typeWord = Word16(header + 2);
    if (!IsAcceptedType(typeWord)) return false;
    const u32 colourMapType = header[1];
    const u32 firstIndex = Word16(header + 3);
    const u32 mapLength = Word16(header + 5);
    const u32 entryBits = header[7];
    const u32 width = Word16(header + 12);
    const u32 height = Word16(header + 14);
    const u32 bitsPerPixel = header[16];
    const u32 descriptor = header[17];

    TgaCursor in{bytes, size, HeaderSize};
    in.Skip(header[0]);

    u32 palette[PaletteEntries] = {};
    const bool mapped = typeWord == 1 || typeWord == 9;
    if (mapped) {
        if (entryBits != 16 && entryBits != 24 && entryBits != 32) {
            GetLog() << "[!] Palette is in unsupported pixel format (neither RGB16, RGB24 or BGR8).\n";
            return false;
        }
        if (firstIndex != 0) {
            GetLog() << "[!] Unsupported TGA palette (first index " << firstIndex << ").\n";
            return false;
        }
        const u32 entryBytes = entryBits / 8;
        const u8* entries = in.Take(u64(mapLength) * entryBytes);
        if (!entries) {
            GetLog() << "[!] Could not read TGA palette.\n";
            return false;
        }
        // Entries past 256 cannot be indexed by one byte.
        for (u32 i = 0; i < mapLength && i < PaletteEntries; ++i)
            palette[i] = PaletteEntry(entries + i * entryBytes, entryBits);
    } else if (colourMapType != 0) {
        in.Skip(u64(mapLength) * ((entryBits + 7) / 8));
    }

    if (!picture.Allocate(width, height, PixelFormatBGRA8)) return false;
    u8* pixels = picture.GetPixels();
    const u64 total = u64(width) * height;

    switch (typeWord) {
    case 1:
        for (u64 i = 0; i < total; ++i) {
            const u8* index = in.Take(1);
            if (!index) break;
            Store(pixels, i, palette[*index]);
        }
        break;
    case 2:
    case 3:
        if (bitsPerPixel == 32) {
            const u64 count = in.Left() < total * 4 ? in.Left() : total * 4;
            std::memcpy(pixels, in.Take(count), count);
            break;
        }
        for (u64 i = 0; i < total; ++i) {
            const u8* value = in.Take(bitsPerPixel / 8);
            if (!value || bitsPerPixel / 8 == 0) break;
            if (bitsPerPixel == 24) Store(pixels, i, FromBgr(value));
            else if (bitsPerPixel == 16) Store(pixels, i, From16(value));
            else if (bitsPerPixel == 8) Store(pixels, i, FromGrey(value));
            else break;  // other depths stay zero
        }
        break;
    case 9:
        DecodeRunLength(in, pixels, total, 1, [&](const u8* p) { return palette[*p]; });
        break;
    case 10:
        if (bitsPerPixel == 32) DecodeRunLength(in, pixels, total, 4, FromBgra);
        else if (bitsPerPixel == 24) DecodeRunLength(in, pixels, total, 3, FromBgr);
        else if (bitsPerPixel == 16) DecodeRunLength(in, pixels, total, 2, From16);
        break;
    }

    if ((descriptor & DescriptorTopFirst) == 0) FlipRows(picture);
    return true;
}

bool EncodeTGA(const zPicture& picture, std::vector<u8>& file) {
    const zPixelFormat& format = picture.GetFormat();
    if (format != PixelFormatRGBA8 && format != PixelFormatBGRA8 && format != PixelFormatBGR8 &&
        format != PixelFormatRGB8 && format != PixelFormatRGB555) {
        GetLog() << "[!] Only supports BGRA8/BGR8/RGB24/RGB555.\n";
        return false;
    }
    const u32 width = picture.GetWidth();
    const u32 height = picture.GetHeight();
    const u64 count = u64(width) * height;
    if (width > 0xffff || height > 0xffff || (count > 0 && !picture.GetPixels())) {
        GetLog() << "[!] Cannot save a picture of " << width << "x" << height << " without pixels as TGA.\n";
        return false;
    }
    const u32 bytesPerPixel = format.GetBytesPerPixel();
    file.assign(HeaderSize, 0);
    file[2] = 2;
    file[12] = u8(width);
    file[13] = u8(width >> 8);
    file[14] = u8(height);
    file[15] = u8(height >> 8);
    file[16] = u8(format.bitsPerPixel);
    file[17] = u8(format.count[PixelChannelAlpha] | DescriptorTopFirst);
    file.resize(HeaderSize + count * bytesPerPixel);
    const u8* in = picture.GetPixels();
    u8* out = file.data() + HeaderSize;
    // The file holds B, G, R (, A); 16-bit words keep blue in the low bits.
    const u32 blue = format.shift[PixelChannelBlue] / 8, green = format.shift[PixelChannelGreen] / 8,
              red = format.shift[PixelChannelRed] / 8, alpha = format.shift[PixelChannelAlpha] / 8;
    for (u64 i = 0; i < count; ++i, in += bytesPerPixel, out += bytesPerPixel) {
        if (bytesPerPixel == 4) {
            out[0] = in[blue];
            out[1] = in[green];
            out[2] = in[red];
            out[3] = in[alpha];
        } else if (bytesPerPixel == 3) {
            out[0] = in[blue];
            out[1] = in[green];
            out[2] = in[red];
        } else {
            const u32 v = Word16(in);
            const u32 swapped = ((v & 0x1fu) << 10) | (v & 0x3e0u) | ((v >> 10) & 0x1fu);
            out[0] = u8(swapped);
            out[1] = u8(swapped >> 8);
        }
    }
    return true;
}

bool LoadTGA(zIOHandle& handle, zPicture& picture) {
    if (!handle.IsOpen()) return false;
    handle.Rewind();
    u8 header[HeaderSize];
    if (handle.Read(header, HeaderSize) != HeaderSize || !IsAcceptedType(Word16(header + 2))) return false;
    const u32 size = handle.GetSize();
    std::vector<u8> file(size);
    handle.Rewind();
    const u32 got = handle.Read(file.data(), size);
    return DecodeTGA(file.data(), got, picture);
}

bool LoadTGA(zPicture& picture, zIOHandle& handle) { return LoadTGA(handle, picture); }

bool SaveTGA(const char* path, const zPicture& picture) {
    std::vector<u8> file;
    if (!EncodeTGA(picture, file)) return false;
    zIOHandle handle(ByteOrderLittleEndian);
    if (!handle.Open(path, false, true)) {
        GetLog() << "[!] Cannot write to '" << path << "'.\n";
        return false;
    }
    const u32 written = handle.Write(file.data(), u32(file.size()));
    handle.Close();
    if (written != file.size()) {
        GetLog() << "[!] Short write to '" << path << "'.\n";
        return false;
    }
    return true;
}

bool SaveTGA(const zPicture& picture, const char* path) { return SaveTGA(path, picture); }
