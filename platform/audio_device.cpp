#include "platform/audio_device.h"

#include <SDL.h>

zOsAudioDevice::~zOsAudioDevice() {
    Close();
}

bool zOsAudioDevice::Open(Callback callback, void* user) {
    Close();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(SampleRate);
    wanted.format = AUDIO_S16LSB;
    wanted.channels = static_cast<Uint8>(Channels);
    wanted.samples = static_cast<Uint16>(PeriodFrames);
    m_callback = callback;
    m_user = user;
    wanted.callback = Trampoline;
    wanted.userdata = this;
    // No allowed changes: SDL converts whatever the driver wants from this.
    SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    if (device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    m_device = device;
    SDL_PauseAudioDevice(device, 0);
    return true;
}

void zOsAudioDevice::Trampoline(void* self, std::uint8_t* out, int bytes) {
    auto* device = static_cast<zOsAudioDevice*>(self);
    if (bytes > 0) device->m_callback(device->m_user, out, static_cast<std::uint32_t>(bytes));
}

void zOsAudioDevice::Close() {
    if (m_device == 0) return;
    SDL_CloseAudioDevice(m_device);
    m_device = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void zOsAudioDevice::Lock() {
    if (m_device != 0) SDL_LockAudioDevice(m_device);
}

void zOsAudioDevice::Unlock() {
    if (m_device != 0) SDL_UnlockAudioDevice(m_device);
}
