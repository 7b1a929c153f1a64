#include "audio/smix_mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "core/log.h"
#include "platform/audio_device.h"

namespace {

constexpr u32 BytesPerSecond = zSMixMixer::SampleRate * zSMixMixer::BytesPerFrame;
// The step of a channel: (P x rate) x StepScale / 2^32 / 2^10 in 1/256 frame,
// P being the pitch in 1/256; StepScale / 2^42 is 1 / 48000 within rounding.
constexpr u64 StepScale = 91625969;
// Frames summed at once: the widest piece Update asks for.
constexpr u32 MixChunkFrames = zSMixMixer::BlockBytes / zSMixMixer::BytesPerFrame;
// Volumes are kept within 16 bits (a gain of 128), so 64 channels of full
// scale still sum within 32 bits before the clamp.
constexpr i64 MaxVolume = 65535;

i64 ToVolume(f64 value) {
    if (!(value == value)) return 0; // NaN
    return static_cast<i64>(std::clamp(value, f64(-MaxVolume), f64(MaxVolume)));
}

f64 Clamp01(f64 value) {
    return std::clamp(value, 0.0, 1.0);
}

} // namespace

zSMixMixer::zSMixMixer(zMixerHost* owner, bool registerAsCurrent)
    : zMixer(owner, registerAsCurrent), m_masterGain(1.0f), m_fixedStep(0), m_wav(ByteOrderLittleEndian),
      m_dataSizeAt(0), m_riffSizeAt(0), m_bytesWritten(0), m_freeBlocks{}, m_freeCount(0), m_fill{},
      m_queued{}, m_queueHead(0), m_queueCount(0), m_playedBytes(0), m_blocks{} {}

zSMixMixer::~zSMixMixer() {
    // The device's thread reads this object: stop it first.
    if (m_device) m_device->Close();
    m_wav.Close();
}

bool zSMixMixer::HasDevice() const {
    return m_device && m_device->IsOpen();
}

bool zSMixMixer::Open() {
    if (m_open) return true;
    // The file output sends nothing to the card, so it needs none.
    if (!m_wav.IsOpen()) {
        if (!m_device) m_device.reset(new (std::nothrow) zOsAudioDevice);
        if (!m_device || !m_device->Open(DeviceCallback, this)) return false;
    }
    if (m_device) m_device->Lock();
    for (u32 block = 0; block < BlockCount; ++block) {
        m_fill[block] = 0;
        m_freeBlocks[block] = static_cast<u8>(block);
    }
    m_freeCount = BlockCount;
    m_queueHead = 0;
    m_queueCount = 0;
    m_playedBytes = 0;
    if (m_device) m_device->Unlock();
    m_open = 1;
    return true;
}

void zSMixMixer::Close() {
    if (m_wav.IsOpen()) FinishOutputFile();
    if (m_device) m_device->Close();
    m_open = 0;
}

bool zSMixMixer::StartChannel(int channel, zSound* sound) {
    if (!m_open || !sound || !CheckChannel(channel)) return false;
    StopChannel(channel);
    m_channels[channel].sound = sound;
    m_play[channel].position = 0;
    m_play[channel].state = MixerChannelPlaying;
    return true;
}

bool zSMixMixer::StopChannel(int channel) {
    if (!CheckChannel(channel)) return false;
    StreamChannelClose(channel);
    ReleaseChannelStream(channel);
    m_play[channel].state = MixerChannelStopped;
    return true;
}

int zSMixMixer::GetChannelState(int channel) {
    return IsValidChannel(channel) ? m_play[channel].state : MixerChannelNone;
}

bool zSMixMixer::CreateSoundData(zSound* sound) {
    return m_open && sound && !sound->mixerData;
}

void zSMixMixer::FreeSoundData(zSound* sound) {
    if (!sound) return;
    // No channel may go on reading PCM about to be freed.
    ReleaseSound(sound);
    if (m_open && sound->mixerData) {
        delete sound->mixerData;
        sound->mixerData = nullptr;
    }
}

bool zSMixMixer::StreamChannelOpen(int channel, const zPCMFormat& /*format*/) {
    return CheckChannel(channel);
}

void zSMixMixer::Update() {
    if (m_wav.IsOpen()) {
        i16 piece[FilePieceBytes / sizeof(i16)];
        u32 remaining = m_fixedStep ? m_fixedStep : BlockBytes;
        while (remaining > 0) {
            u32 bytes = std::min(remaining, FilePieceBytes);
            Mix(piece, bytes / BytesPerFrame);
            m_bytesWritten += m_wav.Write(piece, bytes);
            remaining -= bytes;
        }
        return;
    }
    if (HasDevice()) FillDevice();
}

void zSMixMixer::FillDevice() {
    m_device->Lock();
    const u32 first = (m_fixedStep && m_fixedStep <= BlockBytes) ? m_fixedStep : BlockBytes;
    u32 bytes = first;
    while (m_freeCount > 0) {
        u8 block = m_freeBlocks[m_freeCount - 1];
        if (m_fill[block] + bytes > BlockBytes) bytes = BlockBytes - m_fill[block];
        Mix(reinterpret_cast<i16*>(m_blocks[block] + m_fill[block]), bytes / BytesPerFrame);
        m_fill[block] += bytes;
        if (m_fill[block] == BlockBytes) {
            --m_freeCount;
            m_queued[(m_queueHead + m_queueCount) % BlockCount] = block;
            ++m_queueCount;
        }
        bytes = first;
        if (m_fixedStep) break;
    }
    m_device->Unlock();
}

// Runs on the device's thread with the device lock held.
void zSMixMixer::DeviceCallback(void* self, u8* out, u32 bytes) {
    auto* mixer = static_cast<zSMixMixer*>(self);
    while (bytes > 0) {
        if (mixer->m_queueCount == 0) {
            std::memset(out, 0, bytes); // starved: silence until Update catches up
            return;
        }
        u8 block = mixer->m_queued[mixer->m_queueHead];
        u32 take = std::min(bytes, BlockBytes - mixer->m_playedBytes);
        std::memcpy(out, mixer->m_blocks[block] + mixer->m_playedBytes, take);
        out += take;
        bytes -= take;
        mixer->m_playedBytes += take;
        if (mixer->m_playedBytes == BlockBytes) {
            mixer->m_playedBytes = 0;
            mixer->m_fill[block] = 0;
            mixer->m_freeBlocks[mixer->m_freeCount++] = block;
            mixer->m_queueHead = (mixer->m_queueHead + 1) % BlockCount;
            --mixer->m_queueCount;
        }
    }
}

void zSMixMixer::Mix(i16* out, u32 frameCount) {
    i32 sums[MixChunkFrames * 2];
    while (frameCount > 0) {
        u32 frames = std::min(frameCount, MixChunkFrames);
        std::memset(sums, 0, frames * 2 * sizeof(i32));
        for (int channel = 0; channel < ChannelCount; ++channel)
            MixChannel(channel, sums, frames);
        for (u32 index = 0; index < frames * 2; ++index)
            out[index] = static_cast<i16>(std::clamp(sums[index], i32(-32768), i32(32767)));
        out += frames * 2;
        frameCount -= frames;
    }
}

namespace {

// One channel's volumes, step and samples while it mixes.
struct MixVoice {
    const i16* samples;
    u32 frames;
    i64 step;
    i64 leftVolume;
    i64 rightVolume;
};

// Frames whose read and advance stay inside the sound, starting at position:
// their partner frame exists and no end test can fire.
u32 InsideFrames(const MixVoice& voice, i64 position, u32 wanted) {
    const i64 limit = (i64(voice.frames - 1) << 8) - voice.step;
    if (position >= limit) return 0;
    if (voice.step == 0) return wanted;
    const i64 count = (limit - position + voice.step - 1) / voice.step;
    return count < i64(wanted) ? u32(count) : wanted;
}

// The interpolated frame at position (7-bit fraction), next being the
// partner frame's index or -1 for silence.
template <u32 SoundChannels> void ReadFrame(const MixVoice& voice, i64 position, i64 next, i32& left, i32& right) {
    const i64 index = position >> 8;
    const i32 fraction = i32(position & 127);
    const i16* at = voice.samples + index * SoundChannels;
    const i32 nextLeft = next >= 0 ? voice.samples[next * SoundChannels] : 0;
    left = at[0] * (127 - fraction) + nextLeft * fraction;
    if (SoundChannels == 1) {
        right = left;
    } else {
        const i32 nextRight = next >= 0 ? voice.samples[next * SoundChannels + 1] : 0;
        right = at[1] * (127 - fraction) + nextRight * fraction;
    }
}

template <u32 SoundChannels> void MixInside(const MixVoice& voice, i64& position, i32* sums, u32 count) {
    i64 at = position;
    for (u32 frame = 0; frame < count; ++frame) {
        i32 left;
        i32 right;
        ReadFrame<SoundChannels>(voice, at, (at >> 8) + 1, left, right);
        at += voice.step;
        sums[2 * frame] += i32((i64(left) * voice.leftVolume) >> 15);
        sums[2 * frame + 1] += i32((i64(right) * voice.rightVolume) >> 15);
    }
    position = at;
}

} // namespace

void zSMixMixer::MixChannel(int channel, i32* sums, u32 frameCount) {
    zMixerChannel& record = m_channels[channel];
    ChannelPlay& play = m_play[channel];
    const zSound* sound = record.sound;
    if (!sound || play.state != MixerChannelPlaying) return;
    const u32 channels = sound->channels;
    if (sound->bitsPerSample != 16 || (channels != 1 && channels != 2)) return;
    if (sound->frameCount == 0 || !sound->data) {
        StopPlaying(channel);
        return;
    }

    const f64 volume = std::round(f64(m_masterGain) * record.gain * 255.0 * 2.0);
    const f64 pitch = std::clamp(f64(record.pitch), 0.0, 256.0);
    const u64 pitchUnits = static_cast<u64>(std::lround(pitch * 256.0));
    const u64 rate = static_cast<u32>(pitchUnits * sound->sampleRate);
    MixVoice voice;
    voice.samples = reinterpret_cast<const i16*>(sound->data);
    voice.frames = sound->frameCount;
    voice.step = static_cast<i64>(((rate * StepScale) >> 32) >> 10);
    voice.leftVolume = ToVolume(volume * Clamp01(1.0 - record.panning));
    voice.rightVolume = ToVolume(volume * Clamp01(record.panning));

    u32 frame = 0;
    while (frame < frameCount && play.state == MixerChannelPlaying) {
        // The frames that need no care, then one that may: the last frame's
        // partner is the first when looping, silence otherwise.
        const u32 inside = InsideFrames(voice, play.position, frameCount - frame);
        if (channels == 1) MixInside<1>(voice, play.position, sums + 2 * frame, inside);
        else MixInside<2>(voice, play.position, sums + 2 * frame, inside);
        frame += inside;
        if (frame == frameCount) break;

        i64 next = (play.position >> 8) + 1;
        if (next >= i64(voice.frames)) next = record.loopMode == MixerLoopRepeat ? 0 : -1;
        i32 left;
        i32 right;
        if (channels == 1) ReadFrame<1>(voice, play.position, next, left, right);
        else ReadFrame<2>(voice, play.position, next, left, right);
        play.position += voice.step;
        sums[2 * frame] += i32((i64(left) * voice.leftVolume) >> 15);
        sums[2 * frame + 1] += i32((i64(right) * voice.rightVolume) >> 15);
        ++frame;
        if ((play.position >> 8) >= i64(voice.frames)) PassEnd(channel, voice.frames);
    }
}

bool zSMixMixer::PassEnd(int channel, u32 frames) {
    ChannelPlay& play = m_play[channel];
    const u32 loopMode = m_channels[channel].loopMode;
    if (loopMode == MixerLoopRepeat) {
        const i64 length = i64(frames) << 8;
        play.position -= length;
        // A step longer than the whole sound must still land inside it.
        if (play.position >= length) play.position %= length;
        return true;
    }
    if (loopMode != MixerLoopOnce)
        GetLog() << "[*] Unimplemented SMix channel loop mode (" << loopMode << ").\n";
    StopPlaying(channel);
    return false;
}

void zSMixMixer::StopPlaying(int channel) {
    m_channels[channel].sound = nullptr;
    m_play[channel].state = MixerChannelStopped;
}

bool zSMixMixer::OpenOutputFile(const char* path) {
    if (m_wav.IsOpen()) FinishOutputFile();
    if (!path || !m_wav.Open(path, false, true)) {
        GetLog() << "[!] Failed to open mixer output file '" << (path ? path : "") << "'.\n";
        return false;
    }
    bool written = m_wav.Write("RIFF", 4) == 4;
    m_riffSizeAt = m_wav.Tell();
    written = written && m_wav.WriteU32(0) && m_wav.Write("WAVEfmt ", 8) == 8 && m_wav.WriteU32(16) &&
              m_wav.WriteU16(1) && m_wav.WriteU16(2) && m_wav.WriteU32(SampleRate) &&
              m_wav.WriteU32(BytesPerSecond) && m_wav.WriteU16(BytesPerFrame) && m_wav.WriteU16(16) &&
              m_wav.Write("data", 4) == 4;
    m_dataSizeAt = m_wav.Tell();
    written = written && m_wav.WriteU32(0);
    m_bytesWritten = 0;
    if (!written) {
        GetLog() << "[!] Failed to write mixer output file '" << path << "'.\n";
        m_wav.Close();
        return false;
    }
    return true;
}

void zSMixMixer::FinishOutputFile() {
    const u32 length = m_wav.Tell();
    m_wav.Seek(static_cast<i32>(m_riffSizeAt), SeekFromStart);
    m_wav.WriteU32(length - 8);
    m_wav.Seek(static_cast<i32>(m_dataSizeAt), SeekFromStart);
    m_wav.WriteU32(m_bytesWritten);
    m_wav.Close();
    m_riffSizeAt = 0;
    m_dataSizeAt = 0;
}

void zSMixMixer::SetFixedStep(i32 step) {
    const i64 frames = step > 0 ? i64(step) * SampleRate / 10000 : 0;
    m_fixedStep = static_cast<u32>(std::min<i64>(frames * BytesPerFrame, 0x7ffffffc));
    GetLog() << "Fixed mixer step: " << m_fixedStep << " bytes (step = " << step << ").\n";
}
