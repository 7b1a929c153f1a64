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

// Takes the pixels in file order and writes each straight to its final
// place: rows top down, or for bottom-first files from the last row up, so
// that rows the data never reaches are never touched.
class PixelPlacer {
  public:
    PixelPlacer(zPicture& picture, bool bottomFirst)
        : m_pixels(picture.GetPixels()), m_rowSize(picture.GetRowSize()), m_height(picture.GetHeight()),
          m_bottomFirst(bottomFirst), m_left(u64(picture.GetWidth()) * picture.GetHeight()) {
        m_at = RowStart(0);
        m_rowLeft = m_rowSize;
    }

    // Pixels still to come.
    u64 Left() const { return m_left; }

    // left > 0.
    void Put(u32 colour) {
        std::memcpy(m_at, &colour, 4);
        m_at += 4;
        m_rowLeft -= 4;
        --m_left;
        if (m_rowLeft == 0) NextRow();
    }

    // Raw BGRA bytes, at most Left() x 4; a last partial pixel is copied too.
    void PutBytes(const u8* bytes, u64 count) {
        while (count > 0) {
            const u64 part = count < m_rowLeft ? count : m_rowLeft;
            std::memcpy(m_at, bytes, part);
            bytes += part;
            count -= part;
            m_at += part;
            m_rowLeft -= part;
            m_left -= part / 4;
            if (m_rowLeft == 0) NextRow();
        }
    }

  private:
    u8* RowStart(u64 fileRow) const {
        const u64 row = m_bottomFirst ? m_height - 1 - fileRow : fileRow;
        return m_pixels + row * m_rowSize;
    }

    void NextRow() {
        ++m_fileRow;
        m_rowLeft = m_rowSize;
        m_at = m_fileRow < m_height ? RowStart(m_fileRow) : nullptr;
    }

    u8* m_pixels;
    u64 m_rowSize;
    u64 m_height;
    bool m_bottomFirst;
    u64 m_left;
    u64 m_fileRow = 0;
    u8* m_at = nullptr;
    u64 m_rowLeft = 0;
};

u32 PaletteEntry(const u8* p, u32 entryBits) {
    if (entryBits == 16) return From16(p);
    if (entryBits == 32) return FromBgra(p);
    // 24 bits: magenta is the transparent colour.
    const u32 colour = FromBgr(p);
    return (p[0] == 255 && p[1] == 0 && p[2] == 255) ? colour & 0x00ffffffu : colour;
}

// Run-length packets of pixels 'pixelBytes' wide, clipped to the picture.
template <typename Convert>
void DecodeRunLength(TgaCursor& in, PixelPlacer& out, u32 pixelBytes, Convert convert) {
    while (out.Left() > 0) {
        const u8* header = in.Take(1);
        if (!header) return;
        u64 count = (*header & 0x7fu) + 1;
        if (count > out.Left()) count = out.Left();
        if (*header & 0x80u) {
            const u8* value = in.Take(pixelBytes);
            if (!value) return;
            const u32 colour = convert(value);
            for (u64 i = 0; i < count; ++i) out.Put(colour);
        } else {
            for (u64 i = 0; i < count; ++i) {
                const u8* value = in.Take(pixelBytes);
                if (!value) return;
                out.Put(convert(value));
            }
        }
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
    PixelPlacer out(picture, (descriptor & DescriptorTopFirst) == 0);

    switch (typeWord) {
    case 1:
        while (out.Left() > 0) {
            const u8* index = in.Take(1);
            if (!index) break;
            out.Put(palette[*index]);
        }
        break;
    case 2:
    case 3:
        if (bitsPerPixel == 32) {
            const u64 count = in.Left() < out.Left() * 4 ? in.Left() : out.Left() * 4;
            out.PutBytes(in.Take(count), count);
            break;
        }
        while (out.Left() > 0) {
            const u8* value = in.Take(bitsPerPixel / 8);
            if (!value || bitsPerPixel / 8 == 0) break;
            if (bitsPerPixel == 24) out.Put(FromBgr(value));
            else if (bitsPerPixel == 16) out.Put(From16(value));
            else if (bitsPerPixel == 8) out.Put(FromGrey(value));
            else break;  // other depths stay zero
        }
        break;
    case 9:
        DecodeRunLength(in, out, 1, [&](const u8* p) { return palette[*p]; });
        break;
    case 10:
        if (bitsPerPixel == 32) DecodeRunLength(in, out, 4, FromBgra);
        else if (bitsPerPixel == 24) DecodeRunLength(in, out, 3, FromBgr);
        else if (bitsPerPixel == 16) DecodeRunLength(in, out, 2, From16);
        break;
    }
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
