// Test doubles for the mixer interface: a host that stores the current and
// default mixer, a mixer with settable channel states that records its calls,
// and a stream interface whose stream state the test controls.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "audio/mixer.h"
#include "audio/stream.h"
#include "core/alloc_category.h"

struct FakeMixerHost : zMixerHost {
    zMixer* GetCurrentMixer() const override { return current; }
    zMixer* GetDefaultMixer() const override { return defaultMixer; }
    void SetCurrentMixer(zMixer* mixer) override { current = mixer; }

    zMixer* current = nullptr;
    zMixer* defaultMixer = nullptr;
};

struct FakeMixer : zMixer {
    explicit FakeMixer(zMixerHost* owner = nullptr, bool registerAsCurrent = false)
        : zMixer(owner, registerAsCurrent) {
        for (int& state : states)
            state = MixerChannelStopped;
    }

    bool Open() override { return true; }
    void Close() override {}
    void SetListener(const zVector*, const zVector*, const zMatrix3*) override {}
    bool StartChannel(int channel, zSound* sound) override {
        Record("start", channel);
        if (!startSucceeds || !IsValidChannel(channel)) return false;
        m_channels[channel].sound = sound;
        states[channel] = MixerChannelPlaying;
        return true;
    }
    bool StopChannel(int channel) override {
        Record("stop", channel);
        return IsValidChannel(channel);
    }
    void PauseChannel(int channel) override { Record("pause", channel); }
    void ResumeChannel(int channel) override { Record("resume", channel); }
    int GetChannelState(int channel) override {
        return IsValidChannel(channel) ? states[channel] : MixerChannelNone;
    }
    bool CreateSoundData(zSound*) override { return true; }
    void FreeSoundData(zSound*) override {}
    void SetGain(f32 value) override {
        gainCalls.push_back(value);
        gain = value;
    }
    f32 GetGain() override { return gain; }
    bool StreamChannelOpen(int channel, const zPCMFormat&) override {
        Record("stream-open", channel);
        return true;
    }
    void StreamChannelUpdate(int channel) override { Record("stream-update", channel); }
    void StreamChannelClose(int channel) override { Record("stream-close", channel); }

    void Record(const char* what, int channel) {
        calls.push_back(std::string(what) + " " + std::to_string(channel));
    }
    zMixerChannel& Channel(int channel) { return m_channels[channel]; }

    int states[ChannelCount];
    bool startSucceeds = true;
    f32 gain = 1.0f;
    std::vector<f32> gainCalls;
    std::vector<std::string> calls;
};

// What the test sees of the fake streams, kept after they are destroyed.
struct FakeStreamLog {
    int created = 0;
    int destroyed = 0;
    int destroyedWhileLocked = 0;
    int seeks = 0;
    u32 lastSeek = 0;
    u32 categoryInOpen = 0;
};

struct FakeStream : zMixerStreamInterface {
    FakeStream(zMixer* mixer, int channel) : zMixerStreamInterface(mixer, channel) { ++Log().created; }
    ~FakeStream() override {
        ++Log().destroyed;
        if (lockDepth != 0) ++Log().destroyedWhileLocked;
    }

    bool Open(const char* path) override {
        Log().categoryInOpen = GetAllocCategory();
        if (std::string(path) == "missing.mpg") return false;
        return GetMixer()->StreamChannelOpen(GetChannel(), zPCMFormat{0, 2, 44100, 16});
    }
    bool StartDecoderThread() override {
        threadStarted = true;
        return ThreadStarts();
    }
    void LockStream() override { ++lockDepth; }
    void UnlockStream() override { --lockDepth; }
    bool IsStreamPlaying() override { return playing; }
    void SeekStream(u32 milliseconds) override {
        ++Log().seeks;
        Log().lastSeek = milliseconds;
        playing = true;
    }

    static FakeStreamLog& Log() {
        static FakeStreamLog log;
        return log;
    }
    static bool& ThreadStarts() {
        static bool starts = true;
        return starts;
    }
    static zMixerStreamInterface* Create(zMixer* mixer, int channel) {
        return new FakeStream(mixer, channel);
    }

    // The PCM ring: bytes a new stream starts with, then whatever a test adds.
    void LockRing() override { ++ringLockDepth; }
    void UnlockRing() override { --ringLockDepth; }
    u32 GetReadableBytes() override { return u32(ring.size() - ringRead); }
    u32 ReadRing(void* buffer, u32 count) override {
        const u32 bytes = std::min(count, GetReadableBytes());
        std::memcpy(buffer, ring.data() + ringRead, bytes);
        ringRead += bytes;
        return bytes;
    }
    static u32& InitialRingBytes() {
        static u32 bytes = 0;
        return bytes;
    }

    std::string ring = std::string(InitialRingBytes(), '\x10');
    size_t ringRead = 0;
    int ringLockDepth = 0;
    bool playing = true;
    bool threadStarted = false;
    int lockDepth = 0;
};

// Installs the fake stream factory and clears the stream log for a test.
struct FakeStreamFactory {
    FakeStreamFactory() {
        FakeStream::Log() = FakeStreamLog();
        FakeStream::ThreadStarts() = true;
        FakeStream::InitialRingBytes() = 0;
        m_previous = SetMixerStreamFactory(&FakeStream::Create);
    }
    ~FakeStreamFactory() { SetMixerStreamFactory(m_previous); }

  private:
    zMixerStreamFactory m_previous;
};
