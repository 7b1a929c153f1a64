#include "audio/lmr/ps_demuxer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "audio/lmr/stream.h"
#include "io/handle.h"

namespace {

u32 ReadU16BE(const u8* p) {
    return u32(p[0]) << 8 | p[1];
}

// A 33-bit time stamp field, kept modulo 2^32.
u32 ReadTimeStamp(const u8* p) {
    return u32(p[0] >> 1 & 7) << 30 | u32(p[1]) << 22 | u32(p[2] >> 1) << 15 | u32(p[3]) << 7 | u32(p[4] >> 1);
}

} // namespace

lmr_PSDemuxer::~lmr_PSDemuxer() {
    Close();
}

bool lmr_PSDemuxer::Open(lmr_Stream&) {
    u8 code[4] = {};
    if (m_input->Read(code, 4) != 4) return false;
    return code[0] == 0 && code[1] == 0 && code[2] == 1 && code[3] == 0xBA;
}

void lmr_PSDemuxer::ResetParse() {
    m_state = 3;
    m_pending = 0;
    m_readAt = m_endAt = 0;
}

bool lmr_PSDemuxer::Setup(lmr_Stream& stream, bool scan) {
    if (!lmr_Demuxer::Setup(stream, scan)) return false;
    delete[] m_block;
    m_block = new (std::nothrow) u8[CarrySize + BlockSize];
    if (!m_block) return false;
    m_end = 0;
    ResetParse();
    m_videoId = VideoId;
    m_audioId = AudioId;
    m_lastVideoTime = m_lastAudioTime = 0;
    if (scan) {
        while (ReadBlock()) ParsePackets(stream, false);
        stream.SetDuration(f32(m_lastVideoTime) / 90000.0f);
    }
    ResetParse();
    m_input->Rewind();
    m_input->ClearFailure();
    return true;
}

bool lmr_PSDemuxer::ReadBlock() {
    // Only a cut start code or header is carried over (at most CarrySize
    // bytes); whatever follows a program end is dropped.
    const u32 carried = m_state == 0 ? std::min(m_endAt - m_readAt, CarrySize) : 0;
    std::memmove(m_block, m_block + m_readAt, carried);
    const u32 got = m_input->Read(m_block + carried, m_blockSize);
    m_readAt = 0;
    m_endAt = carried + got;
    return got == m_blockSize;
}

bool lmr_PSDemuxer::Read(lmr_Stream& stream) {
    if (!m_block) {
        m_end = 1;
        return true;
    }
    const bool whole = ReadBlock();
    if (ParsePackets(stream, true) || !whole) m_end = 1;
    return m_end != 0;
}

bool lmr_PSDemuxer::Seek(lmr_Stream& stream, u32 timeMs) {
    if (!m_block) return false;
    const u32 target = u32(u64(timeMs) * 90);
    const bool audio = (m_sides & DemuxerSideAudio) != 0;
    // Reading runs forward only: a target at or behind the position starts over.
    if (target <= (audio ? m_lastAudioTime : m_lastVideoTime)) {
        m_input->Rewind();
        m_input->ClearFailure();
        ResetParse();
        m_lastVideoTime = m_lastAudioTime = 0;
    }
    m_end = 0;
    for (;;) {
        const bool whole = ReadBlock();
        ParsePackets(stream, false);
        if ((audio ? m_lastAudioTime : m_lastVideoTime) > target) return true;
        if (!whole) return false;
    }
}

void lmr_PSDemuxer::Close() {
    delete[] m_block;
    m_block = nullptr;
    ResetParse();
}

void lmr_PSDemuxer::Deliver(lmr_Stream& stream, bool deliver, u32 state, const u8* from, const u8* to) {
    if (!deliver || from == to) return;
    if (state == 2 && (m_sides & DemuxerSideVideo)) stream.FeedVideo(m_packetType, from, to, m_lastVideoTime);
    if (state == 1 && (m_sides & DemuxerSideAudio)) stream.FeedAudio(m_packetType, from, to, m_lastAudioTime);
}

u32 lmr_PSDemuxer::ParsePESHeader(const u8* p, u32 available, u32 packetLength, bool& malformed) {
    malformed = false;
    if (available < 7) return 0;
    u32 header = 0;
    u32 stamp = 0; // offset of the time stamp field, 0 for none
    if ((p[6] & 0xC0) == 0x80) {
        m_packetType = 3;
        if (available < 9) return 0;
        header = 9 + p[8];
        if (p[7] & 0x80) stamp = (p[7] & 0x40) ? 14 : 9;
    } else {
        m_packetType = 2;
        u32 at = 6;
        while (at < 6 + 16 && at < available && p[at] == 0xFF) ++at;
        if (at >= available) return 0;
        if ((p[at] & 0xC0) == 0x40) at += 2;
        if (at >= available) return 0;
        const u32 kind = p[at] >> 4;
        if (kind == 2 || kind == 3) stamp = at;
        header = at + 1 + (kind == 2 ? 4 : kind == 3 ? 9 : 0);
    }
    if (header > packetLength || (stamp && stamp + 5 > header)) {
        malformed = true;
        return header;
    }
    if (available < header) return 0;
    if (stamp) {
        const u32 time = ReadTimeStamp(p + stamp);
        if (p[3] == m_videoId) m_lastVideoTime = time;
        if (p[3] == m_audioId) m_lastAudioTime = time;
    }
    return header;
}

bool lmr_PSDemuxer::ParsePackets(lmr_Stream& stream, bool deliver) {
    const u8* block = m_block;
    u32 p = m_readAt;
    const u32 end = m_endAt;
    // Finish a payload or a skip the previous block left.
    if (m_pending) {
        const u32 take = std::min(m_pending, end - p);
        Deliver(stream, deliver, m_state, block + p, block + p + take);
        p += take;
        m_pending -= take;
        if (m_pending) {
            m_readAt = p;
            return false;
        }
    }
    m_state = 3;
    // Leaves [p, end) for the next block: too few bytes for what starts there.
    auto carry = [&]() {
        m_readAt = p;
        m_state = 0;
        return false;
    };
    for (;;) {
        while (p + 4 <= end && !(block[p] == 0 && block[p + 1] == 0 && block[p + 2] == 1)) ++p;
        if (p + 4 > end) {
            // Keep what may begin a start code.
            while (p < end && block[p] != 0) ++p;
            return carry();
        }
        const u8* packet = block + p;
        const u32 available = end - p;
        const u8 code = packet[3];
        if (code == 0xB9) {
            m_readAt = p + 4;
            return true;
        }
        u32 length = 0;
        if (code == 0xBA) {
            if (available < 5) return carry();
            if ((packet[4] & 0xC0) == 0x40) {
                if (available < 14) return carry();
                length = 14 + (packet[13] & 7);
            } else if ((packet[4] & 0xF0) == 0x20) {
                length = 12;
            } else {
                std::fputs("PS demuxer: Weird packet header.\n", stderr);
                length = 5;
            }
        } else if (code != m_videoId && code != m_audioId) {
            if (code < 0xB9) {
                length = 4;
            } else {
                if (available < 6) return carry();
                length = 6 + ReadU16BE(packet + 4);
            }
        } else {
            if (available < 6) return carry();
            const u32 packetLength = 6 + ReadU16BE(packet + 4);
            bool malformed = false;
            const u32 header = ParsePESHeader(packet, available, packetLength, malformed);
            if (!malformed && header == 0) return carry();
            length = packetLength;
            if (!malformed) {
                const u32 state = code == m_videoId ? 2 : 1;
                const u32 take = std::min(packetLength, available);
                Deliver(stream, deliver, state, packet + header, packet + std::max(take, header));
                if (packetLength > available) {
                    m_state = state;
                    m_pending = packetLength - available;
                    m_readAt = end;
                    return false;
                }
            }
        }
        if (length > available) {
            m_state = 3;
            m_pending = length - available;
            m_readAt = end;
            return false;
        }
        p += length;
    }
}
