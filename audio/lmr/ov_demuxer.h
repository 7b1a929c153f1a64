// lmr_OVDemuxer: Ogg Vorbis, decoded here with stb_vorbis's push-data API
// over a 16384-byte input buffer and written to the stream's audio output as
// interleaved stereo 16-bit PCM (mono on both channels, more than two
// channels mixed down).
//
// Seeking bisects the file for a page within 24000 samples before the target,
// then decodes forward to the frame that holds the target; that frame is kept
// from the target on and written by the next Read. A target past the end
// fails the seek once the bisection interval is below one input buffer and
// the decoding from there meets the end of the input.
#pragma once

#include <memory>

#include "audio/lmr/demuxer.h"

struct stb_vorbis;

class lmr_OVDemuxer : public lmr_Demuxer {
  public:
    static constexpr u32 InputSize = 16384;
    static constexpr u32 SeekWindow = 24000;

    explicit lmr_OVDemuxer(zIOHandle* input) : lmr_Demuxer(input) {}
    ~lmr_OVDemuxer() override;

    bool Seek(lmr_Stream& stream, u32 timeMs) override;
    const char* GetName() const override { return "OGG Vorbis stream demuxer"; }
    bool Open(lmr_Stream& stream) override;
    bool Read(lmr_Stream& stream) override;
    bool Setup(lmr_Stream& stream, bool scan) override;
    void Close() override;

    u32 GetSampleRate() const { return m_sampleRate; }
    u32 GetChannels() const { return m_channels; }
    u32 GetMaxFrameSize() const { return m_maxFrameSize; }

  private:
    // Fills the input buffer up to InputSize from the input.
    void TopUp();
    void Consume(u32 used);
    void ResetDecoder();
    // Decodes one frame; false at the end of the data or on a decoder error.
    // samples is 0 for a frame with no output.
    bool DecodeFrame(float**& output, int& samples);
    // Converts samples of output from first on into the frame buffer; the
    // frame count stored.
    u32 ConvertFrame(float** output, int samples, int first);
    // Probes at a file offset: the first sample of the first frame there
    // whose position is known (that frame left in output, samples), or -1.
    i64 Probe(u32 offset, float**& output, int& samples);

    std::unique_ptr<u8[]> m_inputBuffer;
    u32 m_inputCount = 0;
    std::unique_ptr<i16[]> m_frameBuffer;
    u32 m_pendingFrames = 0; // kept by a seek, written by the next Read
    u32 m_skip = 0;
    u32 m_sampleRate = 0;
    u32 m_channels = 0;
    u32 m_setupMemory = 0;
    u32 m_setupTempMemory = 0;
    u32 m_tempMemory = 0;
    u32 m_maxFrameSize = 0;
    stb_vorbis* m_decoder = nullptr;
};
