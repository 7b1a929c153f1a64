// Mixing speed: 64 channels playing at once, as a multiple of real time on
// one core. The software mixer writes its "file" output (to /dev/null) as
// fast as it can (into a scratch file), on the main thread alone; OpenAL Soft mixes the same 64 sources (one 48 kHz buffer
// each) on its own thread into its wave backend at the pace of real time, so
// its figure is the audio time over the process's CPU time meanwhile. Both
// figures are audio time over CPU time, so a busy machine does not lower them.
//
// Run: mixer_bench [seconds of audio, default 60]. Build with -DZE_BENCHMARKS=ON,
// in a Release tree for figures worth quoting.
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audio/al_mixer.h"
#include "audio/smix_mixer.h"
#include "core/log.h"

namespace {

constexpr int Channels = zMixer::ChannelCount;

double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// One second of a tone per channel, each its own pitch; half of them stereo.
std::vector<std::unique_ptr<zSound>> MakeSounds() {
    std::vector<std::unique_ptr<zSound>> sounds;
    for (int channel = 0; channel < Channels; ++channel) {
        const u32 channels = channel % 2 ? 2 : 1;
        auto sound = std::make_unique<zSound>(nullptr, "tone");
        auto* samples = reinterpret_cast<i16*>(sound->Allocate(48000, zPCMFormat{0, channels, 48000, 16}));
        const double hertz = 110.0 + 20.0 * channel;
        for (u32 frame = 0; frame < 48000; ++frame) {
            for (u32 side = 0; side < channels; ++side)
                samples[frame * channels + side] = i16(400.0 * std::sin(6.283185307 * hertz * frame / 48000.0));
        }
        sounds.push_back(std::move(sound));
    }
    return sounds;
}

template <typename Mixer> void StartAll(Mixer& mixer, const std::vector<std::unique_ptr<zSound>>& sounds) {
    for (int channel = 0; channel < Channels; ++channel) {
        mixer.CreateSoundData(sounds[size_t(channel)].get());
        mixer.SetChannelLoopMode(channel, MixerLoopRepeat);
        mixer.SetChannelPitch(channel, 0.75f + 0.01f * float(channel));
        mixer.SetChannelGain(channel, 0.5f);
        mixer.StartChannel(channel, sounds[size_t(channel)].get());
    }
}

double SoftwareRealTimeFactor(const std::vector<std::unique_ptr<zSound>>& sounds, double audioSeconds,
                              const std::string& wav) {
    zSMixMixer mixer(nullptr, false);
    if (!mixer.OpenOutputFile(wav.c_str()) || !mixer.Open()) return 0.0;
    StartAll(mixer, sounds);
    const int updates = int(audioSeconds * 192000.0 / zSMixMixer::BlockBytes);
    const double cpuStart = ProcessCpuSeconds();
    for (int update = 0; update < updates; ++update)
        mixer.Update();
    const double cpu = ProcessCpuSeconds() - cpuStart;
    mixer.Close();
    return double(updates) * zSMixMixer::BlockBytes / 192000.0 / cpu;
}

double OpenALRealTimeFactor(const std::vector<std::unique_ptr<zSound>>& sounds, double audioSeconds) {
    zALMixer mixer(nullptr, false);
    if (!mixer.Open()) return 0.0;
    StartAll(mixer, sounds);
    const double cpuStart = ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(audioSeconds));
    const double cpu = ProcessCpuSeconds() - cpuStart;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    mixer.Close();
    return cpu > 0.0 ? wall / cpu : 0.0;
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    // OpenAL Soft reads these at its first call.
    const std::string conf = "/tmp/mixer_bench_" + std::to_string(getpid()) + ".conf";
    std::ofstream(conf) << "[general]\nfrequency = 48000\nsample-type = int16\n[wave]\nfile = /dev/null\n";
    setenv("ALSOFT_DRIVERS", "wave", 1);
    setenv("ALSOFT_CONF", conf.c_str(), 1);
    GetLog().SetLevelMask(0);

    const auto sounds = MakeSounds();
    const std::string wav = "/tmp/mixer_bench_" + std::to_string(getpid()) + ".wav";
    const double software = SoftwareRealTimeFactor(sounds, seconds, wav);
    std::remove(wav.c_str());
    const double openAL = OpenALRealTimeFactor(sounds, std::min(seconds, 5.0));
    std::remove(conf.c_str());
    std::printf("64 channels, software mixer into the file output: %.0fx real time\n", software);
    std::printf("64 sources, OpenAL Soft into its wave backend:    %.0fx real time (audio time / CPU time)\n",
                openAL);
    if (openAL > 0.0) std::printf("ratio software / OpenAL Soft: %.2f\n", software / openAL);
    return software > 0.0 ? 0 : 1;
}
