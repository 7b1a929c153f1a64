// lmr_Stream: a media stream. It opens a content file twice (one input
// handle per side), picks a demuxer for each side (program stream, then MPEG
// audio, then Ogg Vorbis) and advances both sides step by step into its
// audio output and video output. Only Ogg Vorbis is decoded (inside its
// demuxer); MPEG packets reach the feeds, which hold no decoder in this
// system, and are dropped.
//
// States: 0 closed, 1 playing, 2 ended (both sides). A side without an
// output counts as ended from the start. A stream has no lock: its owner
// advances it under its own stream mutex.
#pragma once

#include <memory>

#include "audio/lmr/decoder.h"
#include "audio/lmr/demuxer.h"
#include "core/types.h"
#include "io/handle.h"

class lmr_AudioOutput;
class lmr_VideoOutput;

struct lmr_AudioFormat {
    u32 sampleRate = 0;
    u32 bitsPerSample = 0;
    u8 stereo = 0;
};

constexpr u32 StreamClosed = 0;
constexpr u32 StreamPlaying = 1;
constexpr u32 StreamEnded = 2;

// End flag bits.
constexpr u32 StreamAudioEnded = 1;
constexpr u32 StreamVideoEnded = 2;

class lmr_Stream {
  public:
    // Either output may be null.
    lmr_Stream(lmr_VideoOutput* videoOutput, lmr_AudioOutput* audioOutput);
    virtual ~lmr_Stream();
    lmr_Stream(const lmr_Stream&) = delete;
    lmr_Stream& operator=(const lmr_Stream&) = delete;

    // Type 2 and 3 (MPEG-1/2 video) log that there is no support and answer
    // true with no decoder attached; other types answer false.
    virtual bool SelectVideoDecoder(u32 type);
    // Types 2 to 4 (MPEG audio layers I to III) log that there is no
    // support; every type answers false.
    virtual bool SelectAudioDecoder(u32 type);

    void SetOutputs(lmr_VideoOutput* videoOutput, lmr_AudioOutput* audioOutput);
    void ResetEndFlags();
    void SetVideoFrameRate(u32 rate);
    const lmr_AudioFormat& GetAudioFormat() const { return m_audioFormat; }
    lmr_AudioFormat& AudioFormat() { return m_audioFormat; }

    // Opens both sides on path and primes them; scan lets the program-stream
    // demuxer find the duration first.
    bool Open(const char* path, bool scan);
    // Advances by steps (1 to 1000; more count as 1000); false below 1.
    bool Update(i32 steps);
    void Close();
    void Rewind();
    // Both demuxers seek; the stream plays again from there. False when a
    // demuxer could not reach the time.
    bool Seek(u32 timeMs);

    // Feeds of a demuxer's packets; time in 90 kHz ticks.
    void FeedVideo(u32 type, const u8* data, const u8* end, u32 time);
    void FeedAudio(u32 type, const u8* data, const u8* end, u32 time);

    // A demuxer on input that accepts it, or null ("[!] No suitable demuxer
    // for stream.").
    std::unique_ptr<lmr_Demuxer> SelectDemuxer(zIOHandle& input);

    // Where MPEG decoders would plug in; nothing in this system attaches one.
    void AttachVideoDecoder(std::unique_ptr<lmr_Decoder> decoder) { m_videoDecoder = std::move(decoder); }
    void AttachAudioDecoder(std::unique_ptr<lmr_Decoder> decoder) { m_audioDecoder = std::move(decoder); }

    u32 GetState() const { return m_state; }
    u32 GetEndFlags() const { return m_endFlags; }
    i32 GetVideoClock() const { return m_videoClock; }
    i32 GetVideoFramePeriod() const { return m_videoFramePeriod; }
    void SetVideoPaused(bool paused) { m_videoPaused = paused ? 1 : 0; }
    f32 GetFrameScale() const { return m_frameScale; }
    bool IsGapless() const { return m_gapless != 0; }
    f32 GetDuration() const { return m_duration; }
    void SetDuration(f32 seconds) { m_duration = seconds; }
    u32 GetVideoDecoderType() const { return m_videoDecoderType; }
    u32 GetAudioDecoderType() const { return m_audioDecoderType; }
    lmr_AudioOutput* GetAudioOutput() const { return m_audioOutput; }
    lmr_VideoOutput* GetVideoOutput() const { return m_videoOutput; }
    lmr_Demuxer* GetAudioDemuxer() const { return m_audioDemuxer.get(); }
    lmr_Demuxer* GetVideoDemuxer() const { return m_videoDemuxer.get(); }
    lmr_Decoder* GetAudioDecoder() const { return m_audioDecoder.get(); }

  private:
    bool OpenSide(zIOHandle& input, const char* path, std::unique_ptr<lmr_Demuxer>& demuxer, u32 side,
                  const char* logName);
    // Demux until the output has enough or the demuxer ends.
    void DemuxAudio();
    void DemuxVideo();
    void MarkEndedWhenBothSidesEnded();

    u32 m_endFlags = 0;
    zIOHandle m_videoInput{ByteOrderLittleEndian};
    zIOHandle m_audioInput{ByteOrderLittleEndian};
    u32 m_state = StreamClosed;
    u8 m_gapless = 0;
    u8 m_videoPaused = 0;
    i32 m_videoClock = 0;
    std::unique_ptr<lmr_Demuxer> m_videoDemuxer;
    std::unique_ptr<lmr_Demuxer> m_audioDemuxer;
    std::unique_ptr<lmr_Decoder> m_videoDecoder;
    std::unique_ptr<lmr_Decoder> m_audioDecoder;
    lmr_VideoOutput* m_videoOutput = nullptr;
    lmr_AudioOutput* m_audioOutput = nullptr;
    u32 m_videoDecoderType = 0;
    u32 m_audioDecoderType = 0;
    lmr_AudioFormat m_audioFormat;
    i32 m_videoFramePeriod = 400;
    f32 m_frameScale = 1.6f;
    f32 m_duration = 0.0f;
};
