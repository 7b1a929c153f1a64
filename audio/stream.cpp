#include "audio/stream.h"

namespace {
zMixerStreamFactory g_streamFactory = nullptr;
}

zMixerStreamFactory SetMixerStreamFactory(zMixerStreamFactory factory) {
    zMixerStreamFactory previous = g_streamFactory;
    g_streamFactory = factory;
    return previous;
}

bool HasMixerStreamFactory() {
    return g_streamFactory != nullptr;
}

zMixerStreamInterface* CreateMixerStreamInterface(zMixer* mixer, int channel) {
    return g_streamFactory ? g_streamFactory(mixer, channel) : nullptr;
}
