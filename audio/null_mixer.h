// zNull_Mixer: the mixer the engine keeps for itself. It opens, accepts every
// sound and stream and plays nothing; every channel reports state 1.
// StopChannel still gives up a channel's stream (and joins its decoder
// thread): its Update never releases one, so otherwise a stream would hold
// its channel for the rest of the run.
#pragma once

#include "audio/mixer.h"

class zNull_Mixer : public zMixer {
  public:
    explicit zNull_Mixer(zMixerHost* owner, bool registerAsCurrent = false)
        : zMixer(owner, registerAsCurrent) {}

    bool Open() override;
    void Close() override;
    void SetListener(const zVector* /*position*/, const zVector* /*velocity*/,
                     const zMatrix3* /*orientation*/) override {}
    bool StartChannel(int channel, zSound* sound) override;
    bool StopChannel(int channel) override;
    void PauseChannel(int /*channel*/) override {}
    void ResumeChannel(int /*channel*/) override {}
    // 1 for every channel, 0 for an index outside 0..63.
    int GetChannelState(int channel) override;
    bool CreateSoundData(zSound* /*sound*/) override { return true; }
    void FreeSoundData(zSound* /*sound*/) override {}
    void SetGain(f32 /*gain*/) override {}
    f32 GetGain() override { return 0.0f; }
    bool StreamChannelOpen(int channel, const zPCMFormat& format) override;
    void StreamChannelUpdate(int /*channel*/) override {}
    void StreamChannelClose(int /*channel*/) override {}
    void Update() override {}
};
