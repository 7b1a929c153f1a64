#include "audio/lmr/mpa_demuxer.h"

#include <cstring>

#include "audio/lmr/decoder.h"
#include "audio/lmr/stream.h"
#include "core/log.h"
#include "io/handle.h"

lmr_MPADemuxer::~lmr_MPADemuxer() {
    Close();
}

void lmr_MPADemuxer::SkipID3(bool logIt) {
    const u32 start = m_input->Tell();
    u8 header[10] = {};
    if (m_input->Read(header, 10) != 10 || std::memcmp(header, "ID3", 3) != 0) {
        m_input->Seek(i32(start), SeekFromStart);
        return;
    }
    if (logIt) GetLog() << "[H] Skipping ID3 tag v2." << u32(header[3]) << "." << u32(header[4]) << "\n";
    u32 size = u32(header[6] & 0x7F) << 21 | u32(header[7] & 0x7F) << 14 | u32(header[8] & 0x7F) << 7 |
               u32(header[9] & 0x7F);
    if (header[5] & 0x10) size += 10;
    m_input->Seek(i32(size), SeekFromCurrent);
}

bool lmr_MPADemuxer::Open(lmr_Stream&) {
    SkipID3(true);
    u8 sync[2] = {};
    if (m_input->Read(sync, 2) != 2) return false;
    m_input->Seek(-2, SeekFromCurrent);
    if (sync[0] != 0xFF || (sync[1] & 0xF0) != 0xF0) return false;
    GetLog() << "[H] Stream appears to be elementary MPEG audio.\n";
    if ((sync[1] & 0x0F) < 8) GetLog() << "[!] Elementary MPEG-2 Audio stream unsupported.\n";
    if ((sync[1] & 0x06) == 0) GetLog() << "[!] Invalid layer.\n";
    return true;
}

bool lmr_MPADemuxer::Read(lmr_Stream& stream) {
    u8 piece[FeedSize];
    const u32 got = m_input->Read(piece, FeedSize);
    stream.FeedAudio(2, piece, piece + got, 0);
    if (got < FeedSize) m_end = 1;
    return got < FeedSize;
}

bool lmr_MPADemuxer::Seek(lmr_Stream& stream, u32 timeMs) {
    stream.Rewind();
    SkipID3(false);
    lmr_Decoder* decoder = stream.GetAudioDecoder();
    if (!decoder) return true;
    u8 piece[FeedSize];
    for (;;) {
        const u32 got = m_input->Read(piece, FeedSize);
        if (decoder->Position(piece, piece + got, timeMs)) return true;
        if (got < FeedSize) return false;
    }
}

void lmr_MPADemuxer::Close() {
    delete[] m_block;
    m_block = nullptr;
}
