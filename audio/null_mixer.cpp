#include "audio/null_mixer.h"

bool zNull_Mixer::Open() {
    m_open = 1;
    return true;
}

void zNull_Mixer::Close() {
    m_open = 0;
}

bool zNull_Mixer::StartChannel(int channel, zSound* /*sound*/) {
    return CheckChannel(channel);
}

// Plays nothing, but a stream the channel holds is given up like in every
// mixer, so the channel becomes free again.
bool zNull_Mixer::StopChannel(int channel) {
    if (!CheckChannel(channel)) return false;
    if (m_channels[channel].stream) {
        StreamChannelClose(channel);
        ReleaseChannelStream(channel);
    }
    return true;
}

int zNull_Mixer::GetChannelState(int channel) {
    return IsValidChannel(channel) ? MixerChannelStopped : MixerChannelNone;
}

bool zNull_Mixer::StreamChannelOpen(int channel, const zPCMFormat& /*format*/) {
    return CheckChannel(channel);
}
