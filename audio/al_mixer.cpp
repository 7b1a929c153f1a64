#include "audio/al_mixer.h"

#include <algorithm>
#include <new>

#include "audio/stream.h"
#include "core/log.h"
#include "platform/openal.h"

namespace {

constexpr f32 ListenerGainScale = 0.8f;
constexpr f32 ListenerGainFloor = 0.01f;

int FormatOf(u32 channels, u32 bits) {
    if (channels == 1 && bits == 8) return zOsAL::FormatMono8;
    if (channels == 1 && bits == 16) return zOsAL::FormatMono16;
    if (channels == 2 && bits == 8) return zOsAL::FormatStereo8;
    if (channels == 2 && bits == 16) return zOsAL::FormatStereo16;
    return 0;
}

} // namespace

zALMixer::zALMixer(zMixerHost* owner, bool registerAsCurrent)
    : zMixer(owner, registerAsCurrent), m_device(nullptr), m_context(nullptr), m_eax(0), m_sources{},
      m_streamPlayStarted(0) {}

zALMixer::~zALMixer() {
    if (m_open) Close();
    CloseDevice();
}

u32 zALMixer::GetSource(int channel) const {
    return Usable(channel) ? m_sources[channel] : 0;
}

bool zALMixer::IsStreaming(int channel) const {
    return IsValidChannel(channel) && m_streams[channel].transfer != nullptr;
}

u32 zALMixer::GetStreamFreeBuffers(int channel) const {
    return IsValidChannel(channel) ? m_streams[channel].freeCount : 0;
}

bool zALMixer::Open() {
    if (m_open) return true;
    GetLog() << "Starting OpenAL1.1 mixer...\n";
    m_device = zOsAL::OpenDevice("Generic Software");
    if (!m_device) {
        GetLog() << "[*] Failed to open default device, performances might suffer.\n";
        m_device = zOsAL::OpenDevice(nullptr);
        if (!m_device) {
            GetLog() << "[!] Failed to open default OpenAL device.\n";
            return false;
        }
    }
    GetLog() << "Device: " << zOsAL::GetDeviceName(m_device) << "\n";
    m_context = zOsAL::CreateContext(m_device);
    if (!m_context || !zOsAL::MakeContextCurrent(m_context)) {
        // Nothing could be played without one.
        GetLog() << "[!] Failed to create OpenAL context.\n";
        CloseDevice();
        return false;
    }
    if (zOsAL::IsExtensionPresent("EAX2.0")) {
        m_eax = 1;
        GetLog() << "Audio device supports EAX2.0.\n";
    }
    GetLog() << ChannelCount << " mixer channel.\n";
    zOsAL::GetError();
    zOsAL::GenSources(ChannelCount, m_sources);
    if (zOsAL::GetError() != zOsAL::NoError) {
        GetLog() << "[!] Failed to allocate OpenAL sources.\n";
        std::fill(std::begin(m_sources), std::end(m_sources), 0u);
        CloseDevice();
        return false;
    }
    // The channels act on their sources only once the mixer is open.
    m_open = 1;
    ResetChannels();
    SetGain(1.0f);
    GetLog() << "Done.\n\n";
    return true;
}

void zALMixer::CloseDevice() {
    if (m_context) {
        zOsAL::MakeContextCurrent(nullptr);
        zOsAL::DestroyContext(m_context);
    }
    zOsAL::CloseDevice(m_device);
    m_context = nullptr;
    m_device = nullptr;
    m_eax = 0;
}

void zALMixer::Close() {
    StopAllChannels();
    if (m_context) {
        zOsAL::DeleteSources(ChannelCount, m_sources);
        std::fill(std::begin(m_sources), std::end(m_sources), 0u);
    }
    CloseDevice();
    m_open = 0;
}

void zALMixer::SetListener(const zVector* position, const zVector* velocity, const zMatrix3* orientation) {
    if (!m_open) return;
    if (position) {
        const f32 values[3] = {position->x, position->y, position->z};
        zOsAL::Listenerfv(zOsAL::Position, values);
    }
    if (velocity) {
        const f32 values[3] = {velocity->x, velocity->y, velocity->z};
        zOsAL::Listenerfv(zOsAL::Velocity, values);
    }
    if (orientation) {
        const zVector at = orientation->GetRow(2);
        const zVector up = orientation->GetRow(1);
        const f32 values[6] = {at.x, at.y, at.z, up.x, up.y, up.z};
        zOsAL::Listenerfv(zOsAL::Orientation, values);
    }
}

bool zALMixer::StartChannel(int channel, zSound* sound) {
    if (!m_open || !sound || !sound->mixerData || !CheckChannel(channel)) return false;
    StopChannel(channel);
    const u32 source = m_sources[channel];
    zOsAL::Sourcef(source, zOsAL::Gain, 0.0f);
    zOsAL::SourcePause(source);
    zOsAL::SourceStop(source);
    zOsAL::GetError();
    const u32 buffer = static_cast<zALMixerData*>(sound->mixerData)->buffer;
    bool attached = false;
    for (int attempt = 0; attempt < AttachAttempts && !attached; ++attempt) {
        zOsAL::Sourcei(source, zOsAL::Buffer, static_cast<int>(buffer));
        attached = zOsAL::GetError() == zOsAL::NoError;
        if (!attached) GetLog() << "StartChannel() retrying.\n";
    }
    if (!attached) {
        GetLog() << "[*] Failed to attach sound '" << sound->name << "' to channel " << channel << ".\n";
        return false;
    }
    zOsAL::SourcePlay(source);
    const zMixerChannel& record = m_channels[channel];
    SetChannelLoopMode(channel, record.loopMode);
    SetChannelGain(channel, record.gain);
    SetChannelPitch(channel, record.pitch);
    SetChannelPanning(channel, record.panning);
    m_channels[channel].sound = sound;
    return true;
}

bool zALMixer::StopChannel(int channel) {
    if (!m_open || !CheckChannel(channel)) return false;
    zOsAL::GetError();
    StreamChannelClose(channel);
    ReleaseChannelStream(channel);
    zOsAL::SourceStop(m_sources[channel]);
    return true;
}

void zALMixer::PauseChannel(int channel) {
    if (m_open && CheckChannel(channel)) zOsAL::SourcePause(m_sources[channel]);
}

void zALMixer::ResumeChannel(int channel) {
    if (m_open && CheckChannel(channel)) zOsAL::SourcePlay(m_sources[channel]);
}

int zALMixer::GetChannelState(int channel) {
    if (!Usable(channel)) return MixerChannelNone;
    switch (zOsAL::GetSourcei(m_sources[channel], zOsAL::SourceState)) {
    case zOsAL::Initial:
    case zOsAL::Stopped:
        return MixerChannelStopped;
    case zOsAL::Playing:
        return MixerChannelPlaying;
    case zOsAL::Paused:
        return MixerChannelPaused;
    default:
        return MixerChannelNone;
    }
}

bool zALMixer::CreateSoundData(zSound* sound) {
    if (!m_open || !sound || sound->mixerData) return false;
    auto* data = new (std::nothrow) zALMixerData;
    if (!data) {
        GetLog() << "[!] Failed to generate sound buffer.\n";
        return false;
    }
    sound->mixerData = data;
    zOsAL::GetError();
    zOsAL::GenBuffers(1, &data->buffer);
    if (zOsAL::GetError() != zOsAL::NoError) {
        data->buffer = 0;
        GetLog() << "[!] Failed to generate sound buffer.\n";
        return true;
    }
    const int format = FormatOf(sound->channels, sound->bitsPerSample);
    if (format == 0) {
        GetLog() << "[!] Unsupported PCM format in sample '" << sound->name << "'.\n";
        return true;
    }
    zOsAL::BufferData(data->buffer, format, sound->data, static_cast<int>(sound->GetDataSize()),
                      static_cast<int>(sound->sampleRate));
    if (zOsAL::GetError() != zOsAL::NoError)
        GetLog() << "[!] Failed to upload sample to OpenAL buffer ('" << sound->name << "').\n";
    return true;
}

void zALMixer::FreeSoundData(zSound* sound) {
    if (!sound) return;
    bool playedOn[ChannelCount];
    for (int channel = 0; channel < ChannelCount; ++channel)
        playedOn[channel] = m_channels[channel].sound == sound;
    ReleaseSound(sound);
    if (!m_open || !sound->mixerData) return;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        if (playedOn[channel]) zOsAL::Sourcei(m_sources[channel], zOsAL::Buffer, 0);
    }
    auto* data = static_cast<zALMixerData*>(sound->mixerData);
    if (data->buffer != 0) zOsAL::DeleteBuffers(1, &data->buffer);
    delete data;
    sound->mixerData = nullptr;
}

void zALMixer::SetGain(f32 gain) {
    if (!m_context) return;
    zOsAL::Listenerf(zOsAL::Gain, std::max(gain * ListenerGainScale, ListenerGainFloor));
}

f32 zALMixer::GetGain() {
    if (!m_context) return 0.0f;
    return zOsAL::GetListenerf(zOsAL::Gain) / ListenerGainScale;
}

bool zALMixer::StreamChannelOpen(int channel, const zPCMFormat& format) {
    if (!Usable(channel)) return false;
    StreamRecord& stream = m_streams[channel];
    if (stream.transfer) return true;
    stream.transfer.reset(new (std::nothrow) u8[StreamBlockBytes]);
    if (!stream.transfer) return false;
    stream.nextIndex = 0;
    stream.freeCount = StreamBufferCount;
    stream.cleared = 0;
    stream.sampleRate = format.sampleRate;
    stream.bitsPerSample = format.bitsPerSample;
    stream.stereo = format.channels == 2;
    zOsAL::GenBuffers(StreamBufferCount, stream.generated);
    std::copy(std::begin(stream.generated), std::end(stream.generated), stream.buffers);
    m_streamPlayStarted = 0;
    zOsAL::Sourcei(m_sources[channel], zOsAL::Looping, 0);
    return true;
}

void zALMixer::StreamChannelUpdate(int channel) {
    if (!Usable(channel)) return;
    StreamRecord& stream = m_streams[channel];
    zMixerStreamInterface* input = m_channels[channel].stream;
    if (!stream.transfer || !input) return;
    const u32 source = m_sources[channel];

    int processed = zOsAL::GetSourcei(source, zOsAL::BuffersProcessed);
    for (; processed > 0 && stream.freeCount < StreamBufferCount; --processed) {
        stream.nextIndex = (stream.nextIndex + StreamBufferCount - 1) % StreamBufferCount;
        zOsAL::SourceUnqueueBuffers(source, 1, &stream.buffers[stream.nextIndex]);
        ++stream.freeCount;
    }
    // Starved: the source stopped with every buffer played.
    if (stream.freeCount == 0 && GetChannelState(channel) == MixerChannelStopped) zOsAL::SourcePlay(source);

    // Always stereo 16-bit at the stream's rate: the ring holds that.
    bool refilled = false;
    input->LockRing();
    while (stream.freeCount > 0 && input->GetReadableBytes() >= StreamBlockBytes) {
        if (input->ReadRing(stream.transfer.get(), StreamBlockBytes) < StreamBlockBytes) break;
        const u32 buffer = stream.buffers[stream.nextIndex];
        zOsAL::BufferData(buffer, zOsAL::FormatStereo16, stream.transfer.get(), StreamBlockBytes,
                          static_cast<int>(stream.sampleRate));
        zOsAL::SourceQueueBuffers(source, 1, &buffer);
        --stream.freeCount;
        stream.nextIndex = (stream.nextIndex + 1) % StreamBufferCount;
        refilled = true;
        if (!m_streamPlayStarted) {
            zOsAL::SourcePlay(source);
            m_streamPlayStarted = 1;
        }
    }
    input->UnlockRing();
    // Starved with every buffer back (a looping stream refills only after its
    // seek): the source stopped, and the new blocks start it again.
    if (refilled && GetChannelState(channel) == MixerChannelStopped) zOsAL::SourcePlay(source);
}

void zALMixer::StreamChannelClose(int channel) {
    if (!IsValidChannel(channel)) return;
    StreamRecord& stream = m_streams[channel];
    if (!stream.transfer) return;
    stream.transfer.reset();
    const u32 source = m_sources[channel];
    zOsAL::SourceStop(source);
    for (int queued = zOsAL::GetSourcei(source, zOsAL::BuffersQueued); queued > 0; --queued) {
        u32 buffer = 0;
        zOsAL::SourceUnqueueBuffers(source, 1, &buffer);
    }
    zOsAL::DeleteBuffers(StreamBufferCount, stream.generated);
    std::fill(std::begin(stream.generated), std::end(stream.generated), 0u);
    std::fill(std::begin(stream.buffers), std::end(stream.buffers), 0u);
    stream.freeCount = StreamBufferCount;
}

void zALMixer::SetChannelPitch(int channel, f32 pitch) {
    if (!CheckChannel(channel)) return;
    if (m_open) zOsAL::Sourcef(m_sources[channel], zOsAL::Pitch, pitch);
    zMixer::SetChannelPitch(channel, pitch);
}

void zALMixer::SetChannelGain(int channel, f32 gain) {
    if (!CheckChannel(channel)) return;
    if (m_open) zOsAL::Sourcef(m_sources[channel], zOsAL::Gain, gain);
    zMixer::SetChannelGain(channel, gain);
}

void zALMixer::SetChannelLoopMode(int channel, u32 loopMode) {
    if (!CheckChannel(channel)) return;
    if (m_open) {
        const bool looping = !m_streams[channel].transfer && loopMode != 0;
        zOsAL::Sourcei(m_sources[channel], zOsAL::Looping, looping ? 1 : 0);
    }
    zMixer::SetChannelLoopMode(channel, loopMode);
}
