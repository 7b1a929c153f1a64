// lmr_Demuxer: the base of the demuxers a media stream tries on its inputs
// (program stream, MPEG audio, Ogg Vorbis). A demuxer reads its own input
// handle of the stream one block at a time and hands what it finds to the
// stream's feeds or straight to its audio output.
#pragma once

#include "core/types.h"

class lmr_Stream;
class zIOHandle;

// Side flags: which side of the stream a demuxer serves.
constexpr u32 DemuxerSideAudio = 1;
constexpr u32 DemuxerSideVideo = 2;

class lmr_Demuxer {
  public:
    static constexpr u32 BlockSize = 4096;

    explicit lmr_Demuxer(zIOHandle* input) : m_input(input) {}
    virtual ~lmr_Demuxer() = default;
    lmr_Demuxer(const lmr_Demuxer&) = delete;
    lmr_Demuxer& operator=(const lmr_Demuxer&) = delete;

    virtual bool Seek(lmr_Stream& stream, u32 timeMs) = 0;
    virtual const char* GetName() const = 0;
    // Whether the input is this demuxer's format.
    virtual bool Open(lmr_Stream& stream);
    // One block; true at the end of the input.
    virtual bool Read(lmr_Stream& stream) = 0;
    virtual bool Setup(lmr_Stream& stream, bool scan);
    virtual void Close() = 0;

    zIOHandle* GetInput() const { return m_input; }
    bool HasEnded() const { return m_end != 0; }
    void ClearEnd() { m_end = 0; }
    u32 GetSides() const { return m_sides; }
    void AddSide(u32 side) { m_sides |= side; }

  protected:
    u32 m_blockSize = BlockSize;
    u8 m_end = 0;
    zIOHandle* m_input;
    u32 m_sides = 0;
};
