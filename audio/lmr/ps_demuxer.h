// lmr_PSDemuxer: MPEG program streams. It scans each 4096-byte block for start
// codes, skips pack headers and foreign packets, reads the PES headers of the
// video (0xE0) and audio (0xC0) streams for their time stamps and hands the
// payloads to the stream's feeds. A start code or header cut by the end of a
// block waits in a 264-byte carry-over area (the largest PES header) for the
// next block; a payload cut by it is finished from the next block.
//
// Malformed packets (a header longer than its packet) are skipped whole and
// deliver nothing.
#pragma once

#include "audio/lmr/demuxer.h"

class lmr_PSDemuxer : public lmr_Demuxer {
  public:
    static constexpr u32 CarrySize = 264;
    static constexpr u8 VideoId = 0xE0;
    static constexpr u8 AudioId = 0xC0;

    explicit lmr_PSDemuxer(zIOHandle* input) : lmr_Demuxer(input) {}
    ~lmr_PSDemuxer() override;

    bool Seek(lmr_Stream& stream, u32 timeMs) override;
    const char* GetName() const override { return "MPEG-PS demuxer"; }
    bool Open(lmr_Stream& stream) override;
    bool Read(lmr_Stream& stream) override;
    bool Setup(lmr_Stream& stream, bool scan) override;
    void Close() override;
    // Parses the bytes between the read and end pointers; true at the
    // program end code.
    bool ParsePackets(lmr_Stream& stream, bool deliver);

    u32 GetLastVideoTime() const { return m_lastVideoTime; }
    u32 GetLastAudioTime() const { return m_lastAudioTime; }
    u32 GetPacketType() const { return m_packetType; }

  private:
    // Reads the next block behind the carried bytes; false on a short read.
    bool ReadBlock();
    void ResetParse();
    // Delivers [from, to) of a payload when asked and the side is served.
    void Deliver(lmr_Stream& stream, bool deliver, u32 state, const u8* from, const u8* to);
    // The PES header length of the packet at p (available bytes), 0 when more
    // bytes are needed; reads its time stamp. Sets malformed when the header
    // is longer than the packet.
    u32 ParsePESHeader(const u8* p, u32 available, u32 packetLength, bool& malformed);

    u8 m_videoId = VideoId;
    u8 m_audioId = AudioId;
    u32 m_lastVideoTime = 0;
    u32 m_lastAudioTime = 0;
    // Block with the carried bytes in front of it; read and end offsets.
    u8* m_block = nullptr;
    u32 m_readAt = 0;
    u32 m_endAt = 0;
    u32 m_state = 3; // resume state: 0 header carried, 1 audio, 2 video, 3 skip
    u32 m_pending = 0;
    u32 m_packetType = 0;
};
