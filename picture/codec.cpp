#include "picture/codec.h"

#include "core/log.h"
#include "io/handle.h"
#include "picture/picture.h"
#include "picture/tga.h"

namespace {

zLinkedListId& Registry() {
    static zLinkedListId registry;
    return registry;
}

}  // namespace

zPictureIOCodec::zPictureIOCodec(const char* codecId, const char* description, u32 flags)
    : zLinkedListEntryId(zString(codecId)), m_description(description), m_flags(flags) {}

bool zPictureIOCodec::Encode(zIOHandle& /*handle*/, u32 /*width*/, u32 /*height*/, const u8* /*pixels*/) {
    return false;
}

bool zPictureIOCodec::FreeData(u8*& pixels) {
    FreePictureBuffer(pixels);
    pixels = nullptr;
    return true;
}

void RegisterPictureCodecs(bool verbose) {
    if (verbose) GetLog() << "Beginning picture I/O codec registration sequence...\n";
    RegisterCodec(new zPictureIOSmallCodec, verbose);
    RegisterCodec(new zPictureIOJpeglibCodec, verbose);
    RegisterCodec(new zPictureIOSTBCodec, verbose);
    if (verbose) GetLog() << "All codec registered.\n\n";
}

bool RegisterCodec(zPictureIOCodec* codec, bool verbose) {
    if (!codec) return false;
    zLinkedListId& registry = Registry();
    zLinkedListEntryId* existing = registry.Find(codec->id);
    if (existing) {
        if (existing != codec) delete codec;
        return true;
    }
    registry.Add(codec);
    if (verbose) GetLog() << "Codec ('" << codec->id << "') registered successfully.\n";
    return true;
}

zPictureIOCodec* FindCodec(const char* codecId) {
    return static_cast<zPictureIOCodec*>(Registry().Find(codecId));
}

const zLinkedListId& GetPictureCodecs() { return Registry(); }

void ClearPictureCodecs() { Registry().Clear(true); }

bool zPicture::Load(const char* path) {
    zIOHandle handle(ByteOrderLittleEndian);
    if (!path || !handle.Open(path, true)) return false;
    m_name = path;
    if (LoadTGA(handle, *this)) {
        handle.Close();
        return true;
    }
    zLinkedListIterator iterator;
    iterator.Init(Registry());
    while (zLinkedListEntryId* entry = Registry().Next(iterator)) {
        zPictureIOCodec* codec = static_cast<zPictureIOCodec*>(entry);
        u32 width = 0, height = 0;
        u8* pixels = nullptr;
        if (!codec->Decode(handle, width, height, pixels)) continue;
        const zPixelFormat& format =
            (codec->GetFlags() & zPictureIOCodec::CapabilityFloatPixels) ? PixelFormatRGBFloat : PixelFormatBGRA8;
        handle.Close();
        return Allocate(width, height, format, pixels);
    }
    GetLog() << "[!] No picture decoder for '" << path << "'.\n";
    handle.Close();
    return false;
}

bool SavePicture(const char* codecId, const zPicture& picture, const char* path) {
    zPictureIOCodec* codec = codecId ? FindCodec(codecId) : nullptr;
    if (!codec) return false;
    zPicture copy;
    if (!copy.Copy(picture) || !copy.Convert(PixelFormatRGB8)) return false;
    zIOHandle handle(ByteOrderLittleEndian);
    if (!handle.Open(path, false, true)) {
        GetLog() << "[!] Cannot write to '" << path << "'.\n";
        return false;
    }
    const bool encoded = codec->Encode(handle, copy.GetWidth(), copy.GetHeight(), copy.GetPixels());
    handle.Close();
    return encoded;
}
