// Picture codecs: readers (and writers) of the non-TGA picture files,
// registered once at start-up in a process-wide list. zPicture::Load tries the
// TGA reader, then each codec in registration order until one accepts the
// file; the choice is made by trying, never by the extension.
//
// Three codecs exist: "Small" (our own JPEG decoder), "Jpeglib" (libjpeg,
// reads and writes JPEG) and "STB" (every format stb_image reads). Decoded
// buffers come from AllocatePictureBuffer, so the picture that adopts them
// and FreeData release them the same way. Every codec has a memory form
// (DecodeMemory) that takes the file's bytes.
#pragma once

#include <vector>

#include "core/linked_list.h"
#include "core/types.h"
#include "core/zstring.h"

class zIOHandle;
class zPicture;

class zPictureIOCodec : public zLinkedListEntryId {
public:
    // Decoded pixels are three floats (PixelFormatRGBFloat), else BGRA8.
    static constexpr u32 CapabilityFloatPixels = 64;

    zPictureIOCodec(const char* codecId, const char* description, u32 flags);
    ~zPictureIOCodec() override = default;

    // Set-up and tear-down hooks; every codec answers true.
    virtual bool Initialize() { return true; }
    virtual bool Shutdown() { return true; }
    // Reads the picture from an open handle (rewound first). On success the
    // caller owns the pixels; on failure they are null.
    virtual bool Decode(zIOHandle& handle, u32& width, u32& height, u8*& pixels) = 0;
    // Writes width x height PixelFormatRGB8 pixels to the handle.
    virtual bool Encode(zIOHandle& handle, u32 width, u32 height, const u8* pixels);
    // Frees a buffer made by Decode and clears the pointer.
    virtual bool FreeData(u8*& pixels);
    // Decode over the file's bytes.
    virtual bool DecodeMemory(const u8* bytes, u64 size, u32& width, u32& height, u8*& pixels) = 0;

    const zString& GetDescription() const { return m_description; }
    u32 GetFlags() const { return m_flags; }

private:
    zString m_description;
    u32 m_flags;
};

class zPictureIOSmallCodec : public zPictureIOCodec {
public:
    zPictureIOSmallCodec();
    bool Decode(zIOHandle& handle, u32& width, u32& height, u8*& pixels) override;
    bool DecodeMemory(const u8* bytes, u64 size, u32& width, u32& height, u8*& pixels) override;
};

class zPictureIOJpeglibCodec : public zPictureIOCodec {
public:
    zPictureIOJpeglibCodec();
    bool Decode(zIOHandle& handle, u32& width, u32& height, u8*& pixels) override;
    bool Encode(zIOHandle& handle, u32 width, u32 height, const u8* pixels) override;
    bool DecodeMemory(const u8* bytes, u64 size, u32& width, u32& height, u8*& pixels) override;
    // Compresses RGB8 pixels: quality 0..100, progressive, optimised coding,
    // float DCT. The file grows as needed; false (never an exit) on errors.
    static bool EncodeMemory(u32 width, u32 height, const u8* pixels, int quality, std::vector<u8>& file);
};

class zPictureIOSTBCodec : public zPictureIOCodec {
public:
    zPictureIOSTBCodec();
    bool Decode(zIOHandle& handle, u32& width, u32& height, u8*& pixels) override;
    bool DecodeMemory(const u8* bytes, u64 size, u32& width, u32& height, u8*& pixels) override;
};

// Registers Small, Jpeglib and STB in that order, logging when verbose.
void RegisterPictureCodecs(bool verbose);
// Appends the codec, which the registry owns from here on; a codec whose id is
// already registered is deleted and nothing changes (true).
bool RegisterCodec(zPictureIOCodec* codec, bool verbose);
zPictureIOCodec* FindCodec(const char* codecId);
// The registered codecs in order.
const zLinkedListId& GetPictureCodecs();
// Deletes every registered codec (tests and shutdown).
void ClearPictureCodecs();

// Converts a copy of the picture to PixelFormatRGB8 and writes it with the
// codec to a new file.
bool SavePicture(const char* codecId, const zPicture& picture, const char* path);
