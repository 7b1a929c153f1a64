#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "audio/lmr/mpa_demuxer.h"
#include "audio/lmr/ps_demuxer.h"
#include "audio/lmr/stream.h"
#include "io/handle.h"
#include "tests/audio/stream_fakes.h"
#include "tests/support/log_capture.h"

namespace {

void Put(Bytes& out, std::initializer_list<u32> bytes) {
    for (u32 b : bytes) out.push_back(u8(b));
}

// A 33-bit time stamp field with the given marker nibble.
void PutTime(Bytes& out, u32 nibble, u32 time) {
    Put(out, {nibble << 4 | (time >> 29 & 6) | 1, time >> 22, (time >> 14 & 0xFE) | 1, time >> 7, (time << 1 & 0xFE) | 1});
}

void PackMpeg2(Bytes& out, u32 stuffing) {
    Put(out, {0, 0, 1, 0xBA, 0x44, 0, 4, 0, 4, 1, 1, 0x89, 0xC3, 0xF8 | stuffing});
    for (u32 i = 0; i < stuffing; ++i) out.push_back(0xFF);
}

void PackMpeg1(Bytes& out) {
    Put(out, {0, 0, 1, 0xBA, 0x21, 0, 1, 0, 1, 0x80, 0, 1});
}

Bytes PayloadBytes(u32 size, u32 seed) {
    Bytes bytes(size);
    for (u32 i = 0; i < size; ++i) bytes[i] = u8(seed + i * 13);
    return bytes;
}

// An MPEG-2 PES packet; dts adds a decode time stamp.
void Pes2(Bytes& out, u32 id, const Bytes& payload, u32 pts, bool dts, u32 extraHeader = 0) {
    const u32 header = (dts ? 10 : 5) + extraHeader;
    const u32 length = 3 + header + u32(payload.size());
    Put(out, {0, 0, 1, id, length >> 8, length, 0x81, dts ? 0xC0u : 0x80u, header});
    PutTime(out, dts ? 3 : 2, pts);
    if (dts) PutTime(out, 1, pts - 900);
    for (u32 i = 0; i < extraHeader; ++i) out.push_back(0xFF);
    out.insert(out.end(), payload.begin(), payload.end());
}

// An MPEG-1 packet with stuffing, a buffer-size field and a PTS.
void Pes1(Bytes& out, u32 id, const Bytes& payload, u32 pts) {
    const u32 length = 3 + 2 + 5 + u32(payload.size());
    Put(out, {0, 0, 1, id, length >> 8, length, 0xFF, 0xFF, 0xFF, 0x40, 0x20});
    PutTime(out, 2, pts);
    out.insert(out.end(), payload.begin(), payload.end());
}

void Padding(Bytes& out, u32 total) {
    const u32 length = total - 6;
    Put(out, {0, 0, 1, 0xBE, length >> 8, length});
    out.insert(out.end(), length, 0xFF);
}

struct Demuxed {
    std::vector<Payload> audio, video;
    std::vector<u32> audioTypes;
    bool ended = false;
};

// A program-stream demuxer opened and set up on a file, serving the sides.
struct OpenedPS {
    OpenedPS(const char* path, bool scan, u32 sides) {
        ready = input.Open(path, true) && demuxer.Open(stream) && demuxer.Setup(stream, scan);
        demuxer.AddSide(sides);
    }
    zIOHandle input;
    RecordingStream stream;
    lmr_PSDemuxer demuxer{&input};
    bool ready = false;
};

Demuxed Demux(const Bytes& content, u32 sides = DemuxerSideAudio | DemuxerSideVideo) {
    TempContent file("ps_demux.mpg", content);
    OpenedPS opened(file.Path(), false, sides);
    EXPECT_TRUE(opened.ready);
    RecordingStream& stream = opened.stream;
    lmr_PSDemuxer& demuxer = opened.demuxer;
    Demuxed out;
    for (int block = 0; block < 1000 && !out.ended; ++block) out.ended = demuxer.Read(stream);
    // Payloads cut by a block boundary come in pieces: join them by time.
    for (const Payload& piece : stream.audio) {
        if (!out.audio.empty() && out.audio.back().time == piece.time)
            out.audio.back().bytes.insert(out.audio.back().bytes.end(), piece.bytes.begin(), piece.bytes.end());
        else
            out.audio.push_back(piece);
    }
    out.video = stream.video;
    out.audioTypes = stream.audioTypes;
    return out;
}

TEST(PSDemuxer, PacketsOfBothKindsWithTheirTimeStamps) {
    Bytes content;
    PackMpeg2(content, 3);
    Pes2(content, 0xC0, PayloadBytes(100, 1), 90000, false);
    Pes2(content, 0xE0, PayloadBytes(50, 2), 180000, true, 4);
    PackMpeg1(content);
    Pes1(content, 0xC0, PayloadBytes(30, 3), 270000);
    Put(content, {0, 0, 1, 0xB9});
    Pes2(content, 0xC0, PayloadBytes(10, 4), 1, false); // after the end: never read
    const Demuxed out = Demux(content);
    EXPECT_TRUE(out.ended);
    ASSERT_EQ(out.audio.size(), 2u);
    EXPECT_EQ(out.audio[0].bytes, PayloadBytes(100, 1));
    EXPECT_EQ(out.audio[0].time, 90000u / 9);
    EXPECT_EQ(out.audio[1].bytes, PayloadBytes(30, 3));
    EXPECT_EQ(out.audio[1].time, 270000u / 9);
    ASSERT_EQ(out.video.size(), 1u);
    EXPECT_EQ(out.video[0].bytes, PayloadBytes(50, 2));
    EXPECT_EQ(out.video[0].time, (180000u - 900) / 9); // the decode time stamp
    EXPECT_EQ(out.audioTypes, (std::vector<u32>{3, 2}));
}

TEST(PSDemuxer, PacketCutByTheBlockEndAtEveryOffset) {
    // The audio packet starts k bytes before the 4096 boundary: inside the
    // start code, the length, the header, the time stamp or the payload.
    for (u32 k = 1; k <= 40; ++k) {
        Bytes content;
        PackMpeg2(content, 0);
        Padding(content, 4096 - u32(content.size()) - k);
        Pes2(content, 0xC0, PayloadBytes(20, k), 4500 * k, true);
        Pes1(content, 0xC0, PayloadBytes(9, k + 1), 9000 * k);
        const Demuxed out = Demux(content);
        ASSERT_EQ(out.audio.size(), 2u) << k;
        EXPECT_EQ(out.audio[0].bytes, PayloadBytes(20, k)) << k;
        EXPECT_EQ(out.audio[0].time, (4500 * k - 900) / 9) << k;
        EXPECT_EQ(out.audio[1].bytes, PayloadBytes(9, k + 1)) << k;
        EXPECT_TRUE(out.ended) << k; // short read
    }
}

TEST(PSDemuxer, PayloadLongerThanABlockArrivesWhole) {
    Bytes content;
    PackMpeg2(content, 0);
    Pes2(content, 0xE0, PayloadBytes(9000, 7), 900, false);
    Pes2(content, 0xC0, PayloadBytes(5, 8), 1800, false);
    const Demuxed out = Demux(content);
    Bytes video;
    for (const Payload& piece : out.video) video.insert(video.end(), piece.bytes.begin(), piece.bytes.end());
    EXPECT_EQ(video, PayloadBytes(9000, 7));
    ASSERT_EQ(out.audio.size(), 1u);
    EXPECT_EQ(out.audio[0].bytes, PayloadBytes(5, 8));
}

TEST(PSDemuxer, MalformedHeadersDeliverNothingAndStayInBounds) {
    const Bytes cases[] = {
        // MPEG-2 header length 255 in a packet of 3 bytes after the length.
        {0, 0, 1, 0xC0, 0, 3, 0x81, 0x80, 0xFF},
        // PTS flag set but a header too short to hold it.
        {0, 0, 1, 0xC0, 0, 3, 0x81, 0x80, 0x00},
        // MPEG-1 packet of length 0 with a PTS marker.
        {0, 0, 1, 0xC0, 0, 0, 0x21, 0, 0, 0, 0},
        // Packet length running past the input.
        {0, 0, 1, 0xC0, 0xFF, 0xFF, 0x81, 0, 0},
    };
    for (const Bytes& packet : cases) {
        Bytes content;
        PackMpeg2(content, 0);
        content.insert(content.end(), packet.begin(), packet.end());
        const Demuxed out = Demux(content);
        EXPECT_TRUE(out.audio.empty() || out.audio[0].bytes.size() <= content.size());
        EXPECT_TRUE(out.ended);
    }
}

TEST(PSDemuxer, SeekBehindThePositionRewindsFirst) {
    Bytes content;
    PackMpeg2(content, 0);
    for (u32 i = 1; i <= 300; ++i) Pes2(content, 0xC0, PayloadBytes(40, i), i * 900, false); // 10 ms apart
    TempContent file("ps_seek.mpg", content);
    OpenedPS opened(file.Path(), true, DemuxerSideAudio);
    ASSERT_TRUE(opened.ready);
    RecordingStream& stream = opened.stream;
    lmr_PSDemuxer& demuxer = opened.demuxer;
    EXPECT_TRUE(demuxer.Seek(stream, 2500));
    const u32 late = demuxer.GetLastAudioTime();
    EXPECT_GT(late, 2500u * 90);
    EXPECT_TRUE(demuxer.Seek(stream, 100));
    EXPECT_GT(demuxer.GetLastAudioTime(), 100u * 90);
    EXPECT_LT(demuxer.GetLastAudioTime(), late);
    EXPECT_FALSE(demuxer.Seek(stream, 100000)); // past the end
    EXPECT_TRUE(stream.audio.empty());           // seeking delivers nothing
}

TEST(PSDemuxer, OpensOnlyOnAPackStartCode) {
    const struct {
        Bytes bytes;
        bool accepted;
    } cases[] = {{{0, 0, 1, 0xBA, 0x44}, true}, {{0, 0, 1, 0xB3}, false}, {{0, 0, 1}, false}};
    for (const auto& row : cases) {
        TempContent file("ps_open.mpg", row.bytes);
        zIOHandle input;
        ASSERT_TRUE(input.Open(file.Path(), true));
        lmr_Stream stream(nullptr, nullptr);
        lmr_PSDemuxer demuxer(&input);
        EXPECT_EQ(demuxer.Open(stream), row.accepted);
    }
}

TEST(MPADemuxer, SyncTestAndItsWarnings) {
    const struct {
        Bytes bytes;
        bool accepted;
        const char* log;
    } cases[] = {
        {{0xFF, 0xFB, 0x90}, true, "[H] Stream appears to be elementary MPEG audio.\n"},
        {{0xFF, 0xF3, 0x90}, true,
         "[H] Stream appears to be elementary MPEG audio.\n[!] Elementary MPEG-2 Audio stream unsupported.\n"},
        {{0xFF, 0xF9, 0x90}, true, "[H] Stream appears to be elementary MPEG audio.\n[!] Invalid layer.\n"},
        {{0xFF, 0xE3, 0x90}, false, ""},
        {{0xFF}, false, ""},
    };
    for (const auto& row : cases) {
        TempContent file("mpa_open.mp3", row.bytes);
        zIOHandle input;
        ASSERT_TRUE(input.Open(file.Path(), true));
        lmr_Stream stream(nullptr, nullptr);
        lmr_MPADemuxer demuxer(&input);
        LogCapture log;
        EXPECT_EQ(demuxer.Open(stream), row.accepted);
        EXPECT_EQ(log.Text(), row.log);
        if (row.accepted) {
            EXPECT_EQ(input.Tell(), 0u);
        }
    }
}

TEST(MPADemuxer, SkipsAnId3TagWithFooter) {
    Bytes content = {'I', 'D', '3', 4, 0, 0x10, 0x00, 0x00, 0x02, 0x01};
    content.insert(content.end(), 257 + 10, 0);
    Put(content, {0xFF, 0xFB, 0x90, 0x00});
    TempContent file("mpa_id3.mp3", content);
    zIOHandle input;
    ASSERT_TRUE(input.Open(file.Path(), true));
    lmr_Stream stream(nullptr, nullptr);
    lmr_MPADemuxer demuxer(&input);
    LogCapture log;
    EXPECT_TRUE(demuxer.Open(stream));
    EXPECT_EQ(input.Tell(), 10u + 257 + 10);
    EXPECT_EQ(log.Text(), "[H] Skipping ID3 tag v2.4.0\n[H] Stream appears to be elementary MPEG audio.\n");
}

TEST(MediaStream, SelectionOrderAndMpegAudioWithoutDecoder) {
    Bytes mp3 = {0xFF, 0xFB, 0x90, 0x00};
    mp3.resize(1500, 0x11);
    TempContent file("stream_audio.mp3", mp3);
    RecordingOutput output;
    lmr_Stream stream(nullptr, &output);
    LogCapture log;
    ASSERT_TRUE(stream.Open(file.Path(), false));
    const std::string noSupport = "[!] (SelectAudioDecoder) Lumaro built with no MPEG I/II/III audio support.\n";
    EXPECT_EQ(log.Text(), std::string("[H] Opening stream '") + file.Path() +
                              "'.\n[H] Stream appears to be elementary MPEG audio.\n"
                              "SelectAudioDemuxer(): Using 'MPEG-Audio elementary stream demuxer'.\n" +
                              noSupport + noSupport);
    EXPECT_EQ(stream.GetState(), StreamEnded); // no video output: bit 1 from the start
    EXPECT_TRUE(output.pcm.empty());
}

TEST(MediaStream, OpenFailures) {
    TempContent junk("stream_junk.bin", Bytes(64, 0x42));
    RecordingOutput output;
    lmr_Stream stream(nullptr, &output);
    LogCapture log;
    EXPECT_FALSE(stream.Open(nullptr, false));
    EXPECT_EQ(log.Text(), "");
    EXPECT_FALSE(stream.Open(junk.Path(), false));
    EXPECT_EQ(log.Text(), std::string("[H] Opening stream '") + junk.Path() +
                              "'.\n[!] No suitable demuxer for stream.\n");
    EXPECT_EQ(stream.GetState(), StreamClosed);
}

TEST(MediaStream, UpdateStepsAndTheVideoClock) {
    Bytes content;
    PackMpeg2(content, 0);
    for (u32 i = 0; i < 50; ++i) Pes2(content, 0xE0, PayloadBytes(300, i), i * 3600, false);
    TempContent file("stream_video.mpg", content);
    CountingVideoOutput video;
    lmr_Stream stream(&video, nullptr);
    LogCapture log;
    ASSERT_TRUE(stream.Open(file.Path(), false));
    EXPECT_NE(log.Text().find("SelectVideoDemuxer(): Using 'MPEG-PS demuxer'.\n"), std::string::npos);
    // One warning per change of type.
    const std::string warning = "[*] (SelectVideoDecoder) Lumaro built with no MPEG I/II video support.\n";
    EXPECT_EQ(log.Text().find(warning), log.Text().rfind(warning));
    EXPECT_FALSE(stream.Update(0));
    EXPECT_EQ(video.presented, 0);
    EXPECT_TRUE(stream.Update(5000)); // counts as 1000 steps
    EXPECT_EQ(video.presented, 3);    // 400 steps a frame
    EXPECT_EQ(stream.GetVideoClock(), 200);
    EXPECT_EQ(stream.GetState(), StreamEnded); // no decoder: the video side runs to the end
    stream.Rewind();
    EXPECT_EQ(stream.GetState(), StreamPlaying);
    EXPECT_EQ(stream.GetEndFlags(), StreamAudioEnded);
}

TEST(VideoOutput, FitScaleOffsetAndSchedule) {
    CountingVideoOutput out;
    f32 sx = 0, sy = 0, ox = -1, oy = -1;
    out.FitScale(sx, sy);
    EXPECT_EQ(sx, 1.0f);
    EXPECT_EQ(sy, 1.0f);
    out.displayWidth = 640;
    out.displayHeight = 480;
    out.pictureWidth = 512;
    out.pictureHeight = 384;
    out.FitScale(sx, sy);
    out.FitOffset(sx, sy, ox, oy);
    EXPECT_FLOAT_EQ(sx, 1.0f);
    EXPECT_FLOAT_EQ(sy, 1.0f);
    EXPECT_FLOAT_EQ(ox, 0.0f);
    EXPECT_FLOAT_EQ(oy, 0.0f);
    out.pictureHeight = 512; // square picture: the 4:3 source is squeezed in height
    out.FitScale(sx, sy);
    out.FitOffset(sx, sy, ox, oy);
    EXPECT_FLOAT_EQ(sx, 1.0f);
    EXPECT_FLOAT_EQ(sy, 0.75f);
    EXPECT_FLOAT_EQ(oy, 64.0f);
    out.frameRate = 25;
    EXPECT_EQ(out.ScheduleFrame(0), 4000000);
    EXPECT_EQ(out.ScheduleFrame(9000000), 9000000);
}

} // namespace

namespace {

std::string FuzzCorpus(const char* name) {
    return std::string(ZE_TEST_DATA) + "/../../../fuzz/corpus/" + name;
}

// Bytes after a program end code were carried into the next block whole and
// overran the block buffer on the next read.
TEST(PSDemuxer, RegressionCarryAfterProgramEnd) {
    OpenedPS opened(FuzzCorpus("ps_demuxer/regression-carry-after-program-end.mpg").c_str(), true,
                    DemuxerSideAudio | DemuxerSideVideo);
    ASSERT_TRUE(opened.ready);
    RecordingStream& stream = opened.stream;
    lmr_PSDemuxer& demuxer = opened.demuxer;
    int blocks = 0;
    while (!demuxer.Read(stream) && blocks < 100) ++blocks;
    EXPECT_LT(blocks, 100);
    for (u32 time : {1000u, 10u, 100000000u}) demuxer.Seek(stream, time);
}

// A malformed setup header fails the open cleanly (stb_vorbis leaks a
// little there; the suppression below names it).
TEST(OVDemuxer, RegressionFailedOpenFailsCleanly) {
    RecordingOutput output;
    lmr_Stream stream(nullptr, &output);
    LogCapture log;
    EXPECT_FALSE(stream.Open(TestData("regression-failed-open-leak.ogg").c_str(), false));
    EXPECT_EQ(stream.GetState(), StreamClosed);
}

} // namespace

namespace {

// A comment count of billions in a short header kept stb_vorbis busy for
// seconds before it failed; such a header is refused before decoding.
TEST(OVDemuxer, RegressionHugeCommentCountIsRefusedAtOnce) {
    RecordingOutput output;
    lmr_Stream stream(nullptr, &output);
    LogCapture log;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(stream.Open(
        TestData("regression-huge-comment-count.ogg").c_str(),
        false));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

} // namespace

// stb_vorbis (Debian's libstb) loses what it allocated when a malformed setup
// header fails the open; that leak is the library's.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libstb.so\n";
}

// Malformed setup headers make stb_vorbis ask malloc for absurd sizes; it must
// get null as it would outside AddressSanitizer.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}
