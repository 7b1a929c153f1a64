// lmr_MPADemuxer: MPEG audio elementary streams (MP1/MP2/MP3), an ID3v2 tag
// in front skipped. It only hands 1024-byte pieces to the stream's audio
// feed; this system has no MPEG audio decoder, so they are dropped there.
#pragma once

#include "audio/lmr/demuxer.h"

class lmr_MPADemuxer : public lmr_Demuxer {
  public:
    static constexpr u32 FeedSize = 1024;

    explicit lmr_MPADemuxer(zIOHandle* input) : lmr_Demuxer(input) {}
    ~lmr_MPADemuxer() override;

    bool Seek(lmr_Stream& stream, u32 timeMs) override;
    const char* GetName() const override { return "MPEG-Audio elementary stream demuxer"; }
    bool Open(lmr_Stream& stream) override;
    bool Read(lmr_Stream& stream) override;
    void Close() override;

    // Skips an ID3v2 tag at the position (its size in the four syncsafe size
    // bytes, plus 10 with a footer); else returns to where it started.
    void SkipID3(bool logIt);

  private:
    u8* m_block = nullptr; // freed by Close; nothing allocates it
};
