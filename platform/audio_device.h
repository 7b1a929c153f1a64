// zOsAudioDevice: the sound card's output over SDL2 audio, in the one format
// the software mixer makes: interleaved signed 16-bit little-endian stereo at
// 48000 Hz, pulled by SDL's own audio thread in periods of 4096 frames.
//
// The driver is SDL's choice, and SDL_AUDIODRIVER picks one by name: "dummy"
// plays nothing and keeps time, "disk" writes the raw PCM to the file named
// by SDL_DISKAUDIOFILE. A machine without any sound output fails Open.
//
// Lock and Unlock hold the device's callback lock: the callback never runs
// while it is held, so state shared with the callback needs no other guard.
#pragma once

#include <cstdint>

class zOsAudioDevice {
  public:
    static constexpr std::uint32_t SampleRate = 48000;
    static constexpr std::uint32_t Channels = 2;
    static constexpr std::uint32_t PeriodFrames = 4096;

    // Fills `bytes` bytes of output at `out`; runs on SDL's audio thread.
    using Callback = void (*)(void* user, std::uint8_t* out, std::uint32_t bytes);

    zOsAudioDevice() = default;
    ~zOsAudioDevice();
    zOsAudioDevice(const zOsAudioDevice&) = delete;
    zOsAudioDevice& operator=(const zOsAudioDevice&) = delete;

    // Opens the default output and starts pulling; false (and nothing open)
    // when no driver or device can play this format.
    bool Open(Callback callback, void* user);
    // Stops the device; returns once no callback runs any more.
    void Close();
    bool IsOpen() const { return m_device != 0; }

    void Lock();
    void Unlock();

  private:
    static void Trampoline(void* self, std::uint8_t* out, int bytes);

    std::uint32_t m_device = 0;
    Callback m_callback = nullptr;
    void* m_user = nullptr;
};
