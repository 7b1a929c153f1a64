// A loaded sound: its PCM block, the engine that loaded it, its name and file
// path, and the data the current mixer attached to it. The resource caches
// own the sounds; mixers read them through this record.
#pragma once

#include "audio/pcm_sample.h"
#include "core/zstring.h"

class zEngine;

// What a mixer keeps per sound (a buffer name, or nothing). Created by the
// mixer's CreateSoundData and freed by its FreeSoundData; a sound destroyed
// with data still attached frees it.
class zMixerData {
  public:
    virtual ~zMixerData() = default;
};

class zSound : public zPCMSample {
  public:
    // A sound without a name is named "sd".
    explicit zSound(zEngine* engine = nullptr, const char* name = nullptr);
    ~zSound() override;

    zEngine* engine;
    zString name;
    zString path;
    zMixerData* mixerData; // owned; null until a mixer's CreateSoundData
};
