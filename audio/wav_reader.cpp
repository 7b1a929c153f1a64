#include "audio/wav_reader.h"

#include <cstdlib>
#include <cstring>

#include "audio/pcm_sample.h"
#include "core/log.h"
#include "io/file_road.h"

// RIFF layout: "RIFF", u32 size (not used), "WAVE", then chunks of a 4-byte id,
// a u32 size and the body, each body padded to an even length. All values are
// little endian; they are assembled byte by byte, so the host order does not
// matter for the header fields.
//
// Besides what a well-formed file needs, the reader copes with what it meets
// in the wild: a chunk without its pad byte, "data" before "fmt ", and sizes
// past the end of the file (refused for "fmt " and "data", the end of the
// chunk list otherwise).

namespace {

constexpr u32 RiffHeaderSize = 12;
constexpr u32 ChunkHeaderSize = 8;
constexpr u32 FormatFieldsSize = 16;
// Only integer PCM is played: plain, or extensible with a PCM sub-format
// (whose GUID starts with the plain tag). Compressed and float data would
// play as noise.
constexpr u16 FormatTagPCM = 1;
constexpr u16 FormatTagExtensible = 0xFFFE;
constexpr u32 ExtensibleFormatSize = 40;
constexpr u32 ExtensibleSubFormatOffset = 24;

u16 ReadLE16(const u8* bytes) {
    return static_cast<u16>(bytes[0] | (bytes[1] << 8));
}

u32 ReadLE32(const u8* bytes) {
    return static_cast<u32>(bytes[0]) | (static_cast<u32>(bytes[1]) << 8) |
           (static_cast<u32>(bytes[2]) << 16) | (static_cast<u32>(bytes[3]) << 24);
}

bool IsHostLittleEndian() {
    const u16 probe = 1;
    u8 first;
    std::memcpy(&first, &probe, 1);
    return first == 1;
}

bool HasId(const u8* bytes, const char* id) {
    return std::memcmp(bytes, id, 4) == 0;
}

bool IsKnownChunkId(const u8* bytes) {
    return HasId(bytes, "fmt ") || HasId(bytes, "data") || HasId(bytes, "LIST") || HasId(bytes, "fact") ||
           HasId(bytes, "cue ") || HasId(bytes, "smpl");
}

struct WavFormat {
    u16 formatTag;
    u16 channels;
    u32 sampleRate;
    u32 bytesPerSecond;
    u16 blockAlign;
    u16 bitsPerSample;
};

bool Fail(const char* message, const char* name) {
    GetLog() << "[!] " << message << name << "'.\n";
    return false;
}

// Whole bytes per sample, 8 to 32 bits, at least one channel: anything else
// would divide by zero or overrun the sample block.
bool IsPlayableFormat(const WavFormat& format) {
    return format.channels != 0 && format.bitsPerSample >= 8 && format.bitsPerSample <= 32 &&
           format.bitsPerSample % 8 == 0;
}

// Copies whole frames only: a body that is not a multiple of the frame size
// would not fit the block Allocate gives.
bool DecodeData(const WavFormat& format, const u8* body, u32 bodySize, const char* name, zPCMSample& sample) {
    u32 bytesPerSample = format.bitsPerSample / 8;
    u32 frames = bodySize / bytesPerSample / format.channels;
    zPCMFormat pcmFormat = {0, format.channels, format.sampleRate, static_cast<u8>(format.bitsPerSample)};
    u8* data = sample.Allocate(frames, pcmFormat);
    if (!data) return Fail("failed to allocate WAV data chunk for '", name);
    u32 byteCount = frames * format.channels * bytesPerSample;
    std::memcpy(data, body, byteCount);
    if (!IsHostLittleEndian() && bytesPerSample > 1) {
        for (u32 offset = 0; offset < byteCount; offset += bytesPerSample) {
            for (u32 low = 0, high = bytesPerSample - 1; low < high; ++low, --high) {
                u8 swap = data[offset + low];
                data[offset + low] = data[offset + high];
                data[offset + high] = swap;
            }
        }
    }
    return true;
}

} // namespace

bool DecodeWAVSampleFromMemory(const u8* bytes, u32 size, const char* name, zPCMSample& sample) {
    if (!name) name = "";
    if (!bytes || size < RiffHeaderSize || !HasId(bytes, "RIFF") || !HasId(bytes + 8, "WAVE")) return false;

    WavFormat format = {};
    bool formatSeen = false;
    bool dataSeen = false;
    const u8* pendingBody = nullptr; // a "data" chunk met before any "fmt "
    u32 pendingSize = 0;

    u32 offset = RiffHeaderSize;
    while (size - offset >= 4) {
        const u8* id = bytes + offset;
        if (size - offset < ChunkHeaderSize) {
            GetLog() << "[*] Truncated WAV chunk header in '" << name << "'.\n";
            break;
        }
        u32 chunkSize = ReadLE32(bytes + offset + 4);
        offset += ChunkHeaderSize;
        const u8* body = bytes + offset;
        u32 available = size - offset;

        if (HasId(id, "fmt ")) {
            if (chunkSize < FormatFieldsSize || available < FormatFieldsSize) {
                return Fail("Mangled WAV 'format' chunk in '", name);
            }
            if (chunkSize > FormatFieldsSize) {
                GetLog() << "[*] Unexpected WAV 'format' chunk size. Found " << chunkSize
                         << ", expected 16.\n";
            }
            format.formatTag = ReadLE16(body);
            format.channels = ReadLE16(body + 2);
            format.sampleRate = ReadLE32(body + 4);
            format.bytesPerSecond = ReadLE32(body + 8);
            format.blockAlign = ReadLE16(body + 12);
            format.bitsPerSample = ReadLE16(body + 14);
            u16 encoding = format.formatTag;
            if (encoding == FormatTagExtensible && chunkSize >= ExtensibleFormatSize &&
                available >= ExtensibleFormatSize) {
                encoding = ReadLE16(body + ExtensibleSubFormatOffset);
            }
            if (encoding != FormatTagPCM) {
                GetLog() << "[!] Unsupported WAV format tag " << static_cast<u32>(encoding) << " in '" << name
                         << "'.\n";
                return false;
            }
            if (!IsPlayableFormat(format)) {
                GetLog() << "[!] Unsupported WAV format (" << static_cast<u32>(format.channels)
                         << " channel(s), " << static_cast<u32>(format.bitsPerSample) << " bit) in '" << name
                         << "'.\n";
                return false;
            }
            formatSeen = true;
            if (pendingBody) {
                if (!DecodeData(format, pendingBody, pendingSize, name, sample)) return false;
                pendingBody = nullptr;
                dataSeen = true;
            }
        } else if (HasId(id, "data")) {
            if (chunkSize > available) return Fail("mangled WAV 'data' chunk in '", name);
            if (formatSeen) {
                if (!DecodeData(format, body, chunkSize, name, sample)) return false;
                dataSeen = true;
            } else {
                GetLog() << "[*] WAV 'data' chunk before 'format' chunk in '" << name << "'.\n";
                pendingBody = body;
                pendingSize = chunkSize;
            }
        }

        if (chunkSize > available) {
            GetLog() << "[*] WAV chunk runs past the end of '" << name << "'.\n";
            break;
        }
        offset += chunkSize;
        if ((chunkSize & 1) != 0 && offset < size) {
            // Some writers leave the pad byte out; the next chunk then
            // starts right here.
            if (size - offset >= 4 && IsKnownChunkId(bytes + offset)) {
                GetLog() << "[*] WAV chunk without pad byte in '" << name << "'.\n";
            } else {
                ++offset;
            }
        }
    }

    if (formatSeen) {
        GetLog() << "Sample format: " << format.sampleRate / 1000 << "KHz@"
                 << static_cast<u32>(format.bitsPerSample) << "bit, " << static_cast<u32>(format.channels)
                 << " channel(s).\n";
    }
    if (!formatSeen) return Fail("No WAV 'format' chunk in '", name);
    if (!dataSeen) return Fail("No WAV 'data' chunk in '", name);
    return true;
}

bool DecodeWAVSample(const char* path, zPCMSample& sample) {
    void* buffer = nullptr;
    u32 size = 0;
    if (!path || !FileSystemLoadFile(path, buffer, size)) return false;
    bool decoded = DecodeWAVSampleFromMemory(static_cast<const u8*>(buffer), size, path, sample);
    std::free(buffer);
    return decoded;
}
