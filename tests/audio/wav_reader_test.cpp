#include "audio/wav_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "audio/pcm_sample.h"
#include "tests/support/log_capture.h"

namespace {

using Bytes = std::vector<u8>;

void PutU16(Bytes& out, u32 value) {
    out.push_back(static_cast<u8>(value));
    out.push_back(static_cast<u8>(value >> 8));
}

void PutU32(Bytes& out, u32 value) {
    PutU16(out, value & 0xFFFF);
    PutU16(out, value >> 16);
}

// A chunk with the given declared size; the body is written as given, so
// the size may lie. pad adds the byte that evens an odd body.
Bytes Chunk(const char* id, const Bytes& body, u32 declaredSize, bool pad) {
    Bytes out(id, id + 4);
    PutU32(out, declaredSize);
    out.insert(out.end(), body.begin(), body.end());
    if (pad && (body.size() & 1)) out.push_back(0);
    return out;
}

Bytes Chunk(const char* id, const Bytes& body) {
    return Chunk(id, body, static_cast<u32>(body.size()), true);
}

Bytes FormatBody(u32 channels, u32 rate, u32 bits, u32 extraBytes = 0, u32 tag = 1) {
    Bytes out;
    PutU16(out, tag);
    PutU16(out, channels);
    PutU32(out, rate);
    PutU32(out, rate * channels * bits / 8);
    PutU16(out, channels * bits / 8);
    PutU16(out, bits);
    for (u32 i = 0; i < extraBytes; ++i)
        out.push_back(0xEE);
    return out;
}

// WAVE_FORMAT_EXTENSIBLE, 16-bit stereo 48 kHz, with the given sub-format.
Bytes ExtensibleBody(u32 subFormat) {
    Bytes out = FormatBody(2, 48000, 16, 0, 0xFFFE);
    PutU16(out, 22); // extension size
    PutU16(out, 16); // valid bits
    PutU32(out, 3);  // channel mask
    PutU16(out, subFormat);
    for (int i = 0; i < 14; ++i)
        out.push_back(0x11); // rest of the GUID
    return out;
}

Bytes Riff(const std::vector<Bytes>& chunks, const char* form = "WAVE") {
    Bytes body(form, form + 4);
    for (const Bytes& chunk : chunks)
        body.insert(body.end(), chunk.begin(), chunk.end());
    Bytes out = {'R', 'I', 'F', 'F'};
    PutU32(out, static_cast<u32>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes Frames(u32 count, u8 first = 1) {
    Bytes out;
    for (u32 i = 0; i < count; ++i)
        out.push_back(static_cast<u8>(first + i));
    return out;
}

struct WavCase {
    const char* name;
    Bytes file;
    bool accepted;
    std::string log; // the exact lines
    u32 frames = 0;
    u32 channels = 0;
    u32 rate = 0;
    u32 bits = 0;
    Bytes data = {};
};

std::vector<WavCase> MakeCases() {
    const Bytes stereo16 = Frames(16); // 4 frames of 2 x 16 bits
    const Bytes mono8 = Frames(5, 0x80);
    const Bytes list = Chunk("LIST", Frames(3, 'a')); // odd: padded
    return {
        {"good 16-bit stereo", Riff({Chunk("fmt ", FormatBody(2, 44100, 16)), Chunk("data", stereo16)}), true,
         "Sample format: 44KHz@16bit, 2 channel(s).\n", 4, 2, 44100, 16, stereo16},
        {"22050 8-bit mono", Riff({Chunk("fmt ", FormatBody(1, 22050, 8)), Chunk("data", mono8)}), true,
         "Sample format: 22KHz@8bit, 1 channel(s).\n", 5, 1, 22050, 8, mono8},
        {"fmt of 18 skips the extra bytes",
         Riff({Chunk("fmt ", FormatBody(2, 48000, 16, 2)), Chunk("data", stereo16)}), true,
         "[*] Unexpected WAV 'format' chunk size. Found 18, expected 16.\n"
         "Sample format: 48KHz@16bit, 2 channel(s).\n",
         4, 2, 48000, 16, stereo16},
        {"odd fmt of 17 with its pad byte",
         Riff({Chunk("fmt ", FormatBody(1, 8000, 8, 1)), Chunk("data", mono8)}), true,
         "[*] Unexpected WAV 'format' chunk size. Found 17, expected 16.\n"
         "Sample format: 8KHz@8bit, 1 channel(s).\n",
         5, 1, 8000, 8, mono8},
        {"data before fmt", Riff({Chunk("data", mono8), Chunk("fmt ", FormatBody(1, 11025, 8))}), true,
         "[*] WAV 'data' chunk before 'format' chunk in 'case.wav'.\n"
         "Sample format: 11KHz@8bit, 1 channel(s).\n",
         5, 1, 11025, 8, mono8},
        {"odd chunk with pad byte before data",
         Riff({Chunk("fmt ", FormatBody(1, 22050, 8)), list, Chunk("data", mono8)}), true,
         "Sample format: 22KHz@8bit, 1 channel(s).\n", 5, 1, 22050, 8, mono8},
        {"odd chunk without pad byte before data",
         Riff({Chunk("fmt ", FormatBody(1, 22050, 8)), Chunk("LIST", Frames(3, 'a'), 3, false),
               Chunk("data", mono8)}),
         true,
         "[*] WAV chunk without pad byte in 'case.wav'.\n"
         "Sample format: 22KHz@8bit, 1 channel(s).\n",
         5, 1, 22050, 8, mono8},
        {"odd data chunk followed by a chunk",
         Riff({Chunk("fmt ", FormatBody(1, 22050, 8)), Chunk("data", mono8), list}), true,
         "Sample format: 22KHz@8bit, 1 channel(s).\n", 5, 1, 22050, 8, mono8},
        {"data not a whole number of frames keeps whole frames",
         Riff({Chunk("fmt ", FormatBody(2, 48000, 16)), Chunk("data", Frames(10))}), true,
         "Sample format: 48KHz@16bit, 2 channel(s).\n", 2, 2, 48000, 16, Frames(8)},
        {"unknown chunk past the end after data",
         Riff({Chunk("fmt ", FormatBody(1, 22050, 8)), Chunk("data", mono8),
               Chunk("junk", Frames(4), 4000, false)}),
         true,
         "[*] WAV chunk runs past the end of 'case.wav'.\n"
         "Sample format: 22KHz@8bit, 1 channel(s).\n",
         5, 1, 22050, 8, mono8},
        {"truncated data",
         Riff({Chunk("fmt ", FormatBody(2, 44100, 16)), Chunk("data", stereo16, 1000, false)}), false,
         "[!] mangled WAV 'data' chunk in 'case.wav'.\n"},
        {"data size near 4 GB",
         Riff({Chunk("fmt ", FormatBody(2, 44100, 16)), Chunk("data", stereo16, 0xFFFFFFF8u, false)}), false,
         "[!] mangled WAV 'data' chunk in 'case.wav'.\n"},
        {"fmt under 16 bytes", Riff({Chunk("fmt ", Frames(14)), Chunk("data", mono8)}), false,
         "[!] Mangled WAV 'format' chunk in 'case.wav'.\n"},
        {"fmt cut by the end of the file", Riff({Chunk("fmt ", Frames(10), 16, false)}), false,
         "[!] Mangled WAV 'format' chunk in 'case.wav'.\n"},
        {"no channels", Riff({Chunk("fmt ", FormatBody(0, 22050, 8)), Chunk("data", mono8)}), false,
         "[!] Unsupported WAV format (0 channel(s), 8 bit) in 'case.wav'.\n"},
        {"4-bit samples", Riff({Chunk("fmt ", FormatBody(1, 22050, 4)), Chunk("data", mono8)}), false,
         "[!] Unsupported WAV format (1 channel(s), 4 bit) in 'case.wav'.\n"},
        {"float samples", Riff({Chunk("fmt ", FormatBody(1, 22050, 32, 0, 3)), Chunk("data", Frames(8))}),
         false, "[!] Unsupported WAV format tag 3 in 'case.wav'.\n"},
        {"extensible PCM", Riff({Chunk("fmt ", ExtensibleBody(1)), Chunk("data", stereo16)}), true,
         "[*] Unexpected WAV 'format' chunk size. Found 40, expected 16.\n"
         "Sample format: 48KHz@16bit, 2 channel(s).\n",
         4, 2, 48000, 16, stereo16},
        {"extensible float", Riff({Chunk("fmt ", ExtensibleBody(3)), Chunk("data", stereo16)}), false,
         "[*] Unexpected WAV 'format' chunk size. Found 40, expected 16.\n"
         "[!] Unsupported WAV format tag 3 in 'case.wav'.\n"},
        {"no data chunk", Riff({Chunk("fmt ", FormatBody(1, 22050, 8))}), false,
         "Sample format: 22KHz@8bit, 1 channel(s).\n"
         "[!] No WAV 'data' chunk in 'case.wav'.\n"},
        {"data but never fmt", Riff({Chunk("data", mono8)}), false,
         "[*] WAV 'data' chunk before 'format' chunk in 'case.wav'.\n"
         "[!] No WAV 'format' chunk in 'case.wav'.\n"},
        {"truncated chunk header",
         [] {
             Bytes file = Riff({});
             file.insert(file.end(), {'f', 'm', 't', ' ', 16});
             return file;
         }(),
         false,
         "[*] Truncated WAV chunk header in 'case.wav'.\n"
         "[!] No WAV 'format' chunk in 'case.wav'.\n"},
        {"not RIFF",
         [] {
             Bytes file = Riff({Chunk("fmt ", FormatBody(1, 22050, 8)), Chunk("data", Frames(5))});
             file[0] = 'X';
             return file;
         }(),
         false, ""},
        {"RIFF but not WAVE",
         Riff({Chunk("fmt ", FormatBody(1, 22050, 8)), Chunk("data", Frames(5))}, "AVI "), false, ""},
        {"shorter than the RIFF header", Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A'}, false, ""},
    };
}

} // namespace

TEST(WavReader, TableOfFiles) {
    for (const WavCase& c : MakeCases()) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        zPCMSample sample;
        bool accepted =
            DecodeWAVSampleFromMemory(c.file.data(), static_cast<u32>(c.file.size()), "case.wav", sample);
        EXPECT_EQ(accepted, c.accepted);
        EXPECT_EQ(log.Text(), c.log);
        if (!c.accepted) continue;
        EXPECT_EQ(sample.frameCount, c.frames);
        EXPECT_EQ(sample.channels, c.channels);
        EXPECT_EQ(sample.sampleRate, c.rate);
        EXPECT_EQ(sample.bitsPerSample, c.bits);
        ASSERT_EQ(sample.GetDataSize(), c.data.size());
        EXPECT_EQ(Bytes(sample.data, sample.data + sample.GetDataSize()), c.data);
    }
}

TEST(WavReader, NullOrEmptyBufferIsRefused) {
    LogCapture log;
    zPCMSample sample;
    EXPECT_FALSE(DecodeWAVSampleFromMemory(nullptr, 0, "x.wav", sample));
    u8 one = 'R';
    EXPECT_FALSE(DecodeWAVSampleFromMemory(&one, 0, nullptr, sample));
    EXPECT_EQ(log.Text(), "");
}

// Every prefix of a good file, and every byte of it set to 0xFF, must be read
// without touching memory outside the buffer; the sanitizers watch.
TEST(WavReader, CutOrDamagedFilesStayInsideTheBuffer) {
    const Bytes good = Riff(
        {Chunk("fmt ", FormatBody(2, 44100, 16, 2)), Chunk("LIST", Frames(3)), Chunk("data", Frames(16))});
    LogCapture log;
    for (size_t length = 0; length <= good.size(); ++length) {
        Bytes cut(good.begin(), good.begin() + length);
        zPCMSample sample;
        bool accepted =
            DecodeWAVSampleFromMemory(cut.data(), static_cast<u32>(cut.size()), "cut.wav", sample);
        if (accepted) {
            EXPECT_LE(sample.GetDataSize(), cut.size());
        }
    }
    for (size_t index = 0; index < good.size(); ++index) {
        Bytes damaged = good;
        damaged[index] = 0xFF;
        zPCMSample sample;
        bool accepted =
            DecodeWAVSampleFromMemory(damaged.data(), static_cast<u32>(damaged.size()), "bad.wav", sample);
        if (accepted) {
            EXPECT_LE(sample.GetDataSize(), damaged.size());
        }
    }
    zPCMSample sample;
    EXPECT_TRUE(DecodeWAVSampleFromMemory(good.data(), static_cast<u32>(good.size()), "good.wav", sample));
}

TEST(WavReader, DecodesFileThroughTheFileRoad) {
    const Bytes file = Riff({Chunk("fmt ", FormatBody(1, 22050, 8)), Chunk("data", Frames(5, 0x80))});
    std::string path = ::testing::TempDir() + "wav_reader_test_mono.wav";
    FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(std::fwrite(file.data(), 1, file.size(), out), file.size());
    std::fclose(out);

    LogCapture log;
    zPCMSample sample;
    EXPECT_TRUE(DecodeWAVSample(path.c_str(), sample));
    EXPECT_EQ(log.Text(), "Sample format: 22KHz@8bit, 1 channel(s).\n");
    EXPECT_EQ(sample.frameCount, 5u);
    std::remove(path.c_str());
}

TEST(WavReader, MissingFileIsRefused) {
    zPCMSample sample;
    std::string path = ::testing::TempDir() + "wav_reader_test_no_such_file.wav";
    EXPECT_FALSE(DecodeWAVSample(path.c_str(), sample));
    EXPECT_FALSE(DecodeWAVSample(nullptr, sample));
    EXPECT_EQ(sample.data, nullptr);
}
