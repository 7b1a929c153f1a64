#include "audio/lmr/ov_demuxer.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "audio/lmr/audio_output.h"
#include "audio/lmr/stream.h"
#include "core/log.h"
#include "io/handle.h"

#define STB_VORBIS_HEADER_ONLY
#include <stb/stb_vorbis.h>

namespace {

i16 ToSample(float value) {
    const float scaled = value * 32768.0f;
    if (scaled >= 32767.0f) return 32767;
    if (scaled <= -32768.0f) return -32768;
    return i16(scaled);
}

// Which side each channel of a 3- to 6-channel stream goes to (stb_vorbis's
// positions): 1 left, 2 right, 3 both (centre).
constexpr u8 ChannelSides[7][6] = {
    {0}, {3}, {1, 2}, {1, 3, 2}, {1, 2, 1, 2}, {1, 3, 2, 1, 2}, {1, 3, 2, 1, 2, 3},
};

u32 ReadU32LE(const u8* p) {
    return u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16 | u32(p[3]) << 24;
}

// stb_vorbis walks a comment count of up to 2^32 one by one even when the
// packet ends early, which takes seconds. Every comment takes at least its
// 4-byte length, so a count above a quarter of the file is refused first.
bool HasPlausibleCommentCount(const u8* data, u32 size, u32 fileSize) {
    static const u8 tag[7] = {3, 'v', 'o', 'r', 'b', 'i', 's'};
    const u8* at = std::search(data, data + size, tag, tag + 7);
    const u32 offset = u32(at - data);
    if (offset + 11 > size) return true;
    const u64 countAt = u64(offset) + 11 + ReadU32LE(at + 7);
    if (countAt + 4 > size) return true;
    return ReadU32LE(data + countAt) <= fileSize / 4;
}

} // namespace

lmr_OVDemuxer::~lmr_OVDemuxer() {
    Close();
}

void lmr_OVDemuxer::TopUp() {
    if (m_inputCount < InputSize)
        m_inputCount += m_input->Read(m_inputBuffer.get() + m_inputCount, InputSize - m_inputCount);
}

void lmr_OVDemuxer::Consume(u32 used) {
    used = std::min(used, m_inputCount);
    std::memmove(m_inputBuffer.get(), m_inputBuffer.get() + used, m_inputCount - used);
    m_inputCount -= used;
}

void lmr_OVDemuxer::ResetDecoder() {
    m_inputCount = 0;
    m_pendingFrames = 0;
    m_skip = 0;
    stb_vorbis_flush_pushdata(m_decoder);
}

bool lmr_OVDemuxer::Open(lmr_Stream& stream) {
    m_inputBuffer.reset(new (std::nothrow) u8[InputSize]);
    if (!m_inputBuffer) return false;
    m_inputCount = 0;
    TopUp();
    if (!HasPlausibleCommentCount(m_inputBuffer.get(), m_inputCount, m_input->GetSize())) return false;
    int used = 0;
    int error = 0;
    // No allocation buffer: stb_vorbis's own arena arithmetic goes wrong on
    // the negative sizes a malformed setup header can produce, while malloc
    // refuses them.
    m_decoder = stb_vorbis_open_pushdata(m_inputBuffer.get(), int(m_inputCount), &used, &error, nullptr);
    if (!m_decoder) return false;
    Consume(u32(used));
    const stb_vorbis_info info = stb_vorbis_get_info(m_decoder);
    m_sampleRate = info.sample_rate;
    m_channels = u32(info.channels);
    m_setupMemory = info.setup_memory_required;
    m_setupTempMemory = info.setup_temp_memory_required;
    m_tempMemory = info.temp_memory_required;
    m_maxFrameSize = u32(info.max_frame_size);
    lmr_AudioFormat& format = stream.AudioFormat();
    format.sampleRate = m_sampleRate;
    format.bitsPerSample = 16;
    format.stereo = m_channels == 2 ? 1 : 0;
    m_skip = 0;
    return true;
}

bool lmr_OVDemuxer::Setup(lmr_Stream& stream, bool scan) {
    if (!lmr_Demuxer::Setup(stream, scan)) return false;
    const stb_vorbis_info info = stb_vorbis_get_info(m_decoder);
    m_sampleRate = info.sample_rate;
    m_channels = u32(info.channels);
    m_maxFrameSize = u32(info.max_frame_size);
    GetLog() << "[H] OGG Vorbis audio stream " << m_sampleRate << "hz 16bit " << m_channels << " channel(s).\n";
    GetLog() << "[H]     Max frame size = " << m_maxFrameSize << "\n";
    m_frameBuffer.reset(new (std::nothrow) i16[u64(m_maxFrameSize) * 2 * 2]);
    if (!m_frameBuffer) {
        GetLog() << "[!] Failed to allocate output frame buffer.\n";
        return false;
    }
    return true;
}

bool lmr_OVDemuxer::DecodeFrame(float**& output, int& samples) {
    TopUp();
    if (m_inputCount == 0) return false;
    int channels = 0;
    samples = 0;
    const int used = stb_vorbis_decode_frame_pushdata(m_decoder, m_inputBuffer.get(), int(m_inputCount), &channels,
                                                      &output, &samples);
    // No bytes taken with a full (or last) buffer: the data ends inside a packet.
    if (used <= 0) return false;
    if (stb_vorbis_get_error(m_decoder) != VORBIS__no_error) return false;
    Consume(u32(used));
    return true;
}

u32 lmr_OVDemuxer::ConvertFrame(float** output, int samples, int first) {
    const u32 count = u32(std::clamp(samples - first, 0, int(m_maxFrameSize * 2)));
    i16* to = m_frameBuffer.get();
    const u32 channels = m_channels;
    for (u32 i = 0; i < count; ++i) {
        const u32 at = u32(first) + i;
        float left = 0.0f;
        float right = 0.0f;
        if (channels == 1) {
            left = right = output[0][at];
        } else if (channels == 2 || channels > 6) {
            left = output[0][at];
            right = output[1][at];
        } else {
            for (u32 c = 0; c < channels; ++c) {
                if (ChannelSides[channels][c] & 1) left += output[c][at];
                if (ChannelSides[channels][c] & 2) right += output[c][at];
            }
        }
        to[2 * i] = ToSample(left);
        to[2 * i + 1] = ToSample(right);
    }
    return count;
}

bool lmr_OVDemuxer::Read(lmr_Stream& stream) {
    lmr_AudioOutput* output = stream.GetAudioOutput();
    if (m_pendingFrames) {
        if (output) output->Write(m_frameBuffer.get(), m_pendingFrames * 4, 0);
        m_pendingFrames = 0;
        return false;
    }
    float** channels = nullptr;
    int samples = 0;
    if (!DecodeFrame(channels, samples)) {
        m_end = 1;
        return true;
    }
    const int first = int(std::min<u32>(m_skip, u32(std::max(samples, 0))));
    m_skip = 0;
    const u32 frames = samples > 0 ? ConvertFrame(channels, samples, first) : 0;
    if (frames && output) output->Write(m_frameBuffer.get(), frames * 4, 0);
    return false;
}

i64 lmr_OVDemuxer::Probe(u32 offset, float**& output, int& samples) {
    m_input->Seek(i32(offset), SeekFromStart);
    m_input->ClearFailure();
    ResetDecoder();
    m_inputCount = m_input->Read(m_inputBuffer.get(), InputSize);
    // Only the bytes read at the probe point are decoded there.
    while (m_inputCount > 0) {
        int channels = 0;
        samples = 0;
        const int used = stb_vorbis_decode_frame_pushdata(m_decoder, m_inputBuffer.get(), int(m_inputCount),
                                                          &channels, &output, &samples);
        if (used <= 0 || stb_vorbis_get_error(m_decoder) != VORBIS__no_error) return -1;
        Consume(u32(used));
        const int next = stb_vorbis_get_sample_offset(m_decoder);
        if (samples > 0 && next >= 0) return i64(u32(next)) - samples;
    }
    return -1;
}

bool lmr_OVDemuxer::Seek(lmr_Stream&, u32 timeMs) {
    if (!m_decoder || !m_frameBuffer) return false;
    m_end = 0;
    const i64 target = i64(u64(m_sampleRate) * timeMs / 1000);
    if (target < 1024) {
        m_input->Rewind();
        m_input->ClearFailure();
        ResetDecoder();
        return true;
    }
    u32 low = 0;
    u32 high = m_input->GetSize();
    float** output = nullptr;
    int samples = 0;
    i64 first = -1;
    for (;;) {
        if (high - low < InputSize) {
            // Too close to bisect further: decode on from the low end. From the
            // start of the file the frames count from sample 0.
            if (low == 0) {
                m_input->Rewind();
                m_input->ClearFailure();
                ResetDecoder();
                first = 0;
                samples = 0;
            } else {
                first = Probe(low, output, samples);
            }
            break;
        }
        const u32 mid = low + (high - low) / 2;
        first = Probe(mid, output, samples);
        if (first < 0 || first > target) {
            high = mid;
        } else if (first <= target - i64(SeekWindow)) {
            low = mid;
        } else {
            break;
        }
    }
    // Decode on to the frame that holds the target and keep it from there.
    while (first >= 0 && first <= target) {
        if (target - first < samples) {
            m_skip = 0;
            m_pendingFrames = ConvertFrame(output, samples, int(target - first));
            return true;
        }
        const i64 following = first + samples;
        if (!DecodeFrame(output, samples)) break;
        const int next = stb_vorbis_get_sample_offset(m_decoder);
        first = samples > 0 && next >= 0 ? i64(u32(next)) - samples : following;
    }
    ResetDecoder();
    m_end = 1;
    return false;
}

void lmr_OVDemuxer::Close() {
    if (m_decoder) stb_vorbis_close(m_decoder);
    m_decoder = nullptr;
    m_inputBuffer.reset();
    m_frameBuffer.reset();
    m_inputCount = 0;
    m_pendingFrames = 0;
}
