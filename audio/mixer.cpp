#include "audio/mixer.h"

#include "audio/stream.h"
#include "core/alloc_category.h"
#include "core/log.h"

zMixer::zMixer(zMixerHost* owner, bool registerAsCurrent)
    : m_owner(owner), m_open(0), m_muted(0), m_savedGain(1.0f) {
    if (registerAsCurrent && m_owner) m_owner->SetCurrentMixer(this);
}

zMixer::~zMixer() {
    if (m_owner) {
        if (m_owner->GetDefaultMixer() == this) {
            m_owner->SetCurrentMixer(nullptr);
        } else if (m_owner->GetCurrentMixer() == this) {
            m_owner->SetCurrentMixer(m_owner->GetDefaultMixer());
        }
    }
    // The channels own their streams; a mixer that never stopped them must
    // not leak their decoder threads.
    for (int channel = 0; channel < ChannelCount; ++channel)
        ReleaseChannelStream(channel);
}

bool zMixer::CheckChannel(int channel) {
    if (IsValidChannel(channel)) return true;
    GetLog() << "[!] Invalid mixer channel " << channel << ".\n";
    return false;
}

const zMixerChannel* zMixer::GetChannel(int channel) const {
    return IsValidChannel(channel) ? &m_channels[channel] : nullptr;
}

void zMixer::SetChannelPitch(int channel, f32 pitch) {
    if (CheckChannel(channel)) m_channels[channel].pitch = pitch;
}

void zMixer::SetChannelGain(int channel, f32 gain) {
    if (CheckChannel(channel)) m_channels[channel].gain = gain;
}

void zMixer::SetChannelPanning(int channel, f32 panning) {
    if (CheckChannel(channel)) m_channels[channel].panning = panning;
}

void zMixer::SetChannelLoopMode(int channel, u32 loopMode) {
    if (CheckChannel(channel)) m_channels[channel].loopMode = loopMode;
}

void zMixer::SetChannelLoopPosition(int channel, u32 milliseconds) {
    if (CheckChannel(channel)) m_channels[channel].loopPosition = milliseconds;
}

// A stream that ends is sought back to the loop position at once when its
// channel loops; otherwise it is marked finished and released on a later
// frame, once the output has played out what it held. The stream mutex is
// never held while an interface is destroyed: destroying it joins the decoder
// thread, which takes that mutex.
void zMixer::Update() {
    for (int channel = 0; channel < ChannelCount; ++channel) {
        if (!m_channels[channel].stream) continue;
        StreamChannelUpdate(channel);
        zMixerStreamInterface* stream = m_channels[channel].stream;
        if (!stream) continue; // the update gave the stream up

        stream->LockStream();
        if (stream->IsFinished()) {
            int state = GetChannelState(channel);
            if (state != MixerChannelPlaying && state != MixerChannelPaused) {
                GetLog() << "[|] Release stream interface.\n";
                stream->UnlockStream();
                StreamChannelClose(channel);
                ReleaseChannelStream(channel);
                continue;
            }
        } else if (!stream->IsStreamPlaying()) {
            if (m_channels[channel].loopMode == MixerLoopRepeat) {
                stream->SeekStream(m_channels[channel].loopPosition);
            } else {
                stream->SetFinished();
            }
        }
        stream->UnlockStream();
    }
}

void zMixer::ResumeStreamingChannels() {
    for (int channel = 0; channel < ChannelCount; ++channel) {
        if (m_channels[channel].stream) ResumeChannel(channel);
    }
}

int zMixer::FindFreeChannel() {
    for (int channel = 0; channel < ChannelCount; ++channel) {
        const zMixerChannel& record = m_channels[channel];
        if (record.stream || record.lock) continue;
        if (GetChannelState(channel) == MixerChannelStopped) return channel;
    }
    GetLog() << "[!] All channels in use.\n";
    return -1;
}

int zMixer::StartSound(zSound* sound) {
    int channel = FindFreeChannel();
    if (channel < 0) return -1;
    return StartChannel(channel, sound) ? channel : -1;
}

int zMixer::StartStream(const char* path) {
    int channel = FindFreeChannel();
    if (channel < 0) return -1;
    return StartChannelStream(channel, path) ? channel : -1;
}

bool zMixer::StartChannelStream(int channel, const char* path) {
    if (!CheckChannel(channel)) return false;
    zScopedAllocCategory category(AllocCategorySound);

    StreamChannelClose(channel);
    zMixerStreamInterface* stream = CreateMixerStreamInterface(this, channel);
    if (!stream) {
        GetLog() << "[!] Failed to allocate chanel stream interface.\n";
        return false;
    }
    if (!stream->Open(path)) {
        delete stream;
        ReleaseChannelStream(channel);
        GetLog() << "[!] Failed to open content stream.\n";
        return false;
    }
    ReleaseChannelStream(channel);
    m_channels[channel].stream = stream;
    if (!stream->StartDecoderThread()) {
        // Nothing would ever feed the channel.
        GetLog() << "[!] Failed to start stream decoder thread.\n";
        StreamChannelClose(channel);
        ReleaseChannelStream(channel);
        return false;
    }
    return true;
}

zSound* zMixer::GetChannelSound(int channel) const {
    return IsValidChannel(channel) ? m_channels[channel].sound : nullptr;
}

void zMixer::StopAllChannels() {
    for (int channel = 0; channel < ChannelCount; ++channel)
        StopChannel(channel);
}

void zMixer::ReleaseSound(const zSound* sound) {
    if (!sound) return;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        if (m_channels[channel].sound != sound) continue;
        StopChannel(channel);
        m_channels[channel].sound = nullptr;
    }
}

void zMixer::ResetChannels() {
    for (int channel = 0; channel < ChannelCount; ++channel) {
        StopChannel(channel);
        SetChannelLoopMode(channel, MixerLoopOnce);
        SetChannelPitch(channel, 1.0f);
        SetChannelGain(channel, 1.0f);
        SetChannelPanning(channel, 0.5f);
    }
}

void zMixer::ReleaseChannelStream(int channel) {
    if (!IsValidChannel(channel)) return;
    zMixerStreamInterface* stream = m_channels[channel].stream;
    m_channels[channel].stream = nullptr;
    delete stream;
}

int zMixer::LockFreeChannel() {
    int channel = FindFreeChannel();
    if (channel < 0 || m_channels[channel].lock) return -1;
    m_channels[channel].lock = 1;
    return channel;
}

bool zMixer::TryLockChannel(int channel) {
    if (!CheckChannel(channel) || m_channels[channel].lock) return false;
    m_channels[channel].lock = 1;
    return true;
}

void zMixer::UnlockChannel(int channel) {
    if (CheckChannel(channel)) m_channels[channel].lock = 0;
}

void zMixer::UnlockAllChannels() {
    for (zMixerChannel& record : m_channels)
        record.lock = 0;
}

bool zMixer::IsChannelLocked(int channel) const {
    return IsValidChannel(channel) && m_channels[channel].lock != 0;
}

void zMixer::Mute() {
    if (!m_muted) m_savedGain = GetGain();
    m_muted = 1;
    SetGain(0.0f);
}

void zMixer::Unmute() {
    m_muted = 0;
    SetGain(m_savedGain);
}
