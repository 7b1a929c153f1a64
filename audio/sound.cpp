#include "audio/sound.h"

zSound::zSound(zEngine* engine, const char* name)
    : engine(engine), name(name && *name ? name : "sd"), mixerData(nullptr) {}

zSound::~zSound() {
    delete mixerData;
}
