// Fixtures for the engine tests: a mixer and a core listener that record
// what they receive, an event interface that counts its calls, and small
// files written for the loaders.
#pragma once

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "audio/null_mixer.h"
#include "audio/sound.h"
#include "engine/core_listener.h"
#include "engine/engine.h"
#include "render/resource_event.h"

struct RecordingMixer : zNull_Mixer {
    RecordingMixer(zMixerHost* owner, bool registerAsCurrent, std::vector<std::string>* journal = nullptr)
        : zNull_Mixer(owner, registerAsCurrent), journal(journal) {}
    std::vector<std::string>* journal;
    int createdSoundData = 0;
    int freedSoundData = 0;
    void Update() override {
        if (journal) journal->push_back("MixerUpdate");
    }
    bool CreateSoundData(zSound*) override {
        ++createdSoundData;
        return true;
    }
    void FreeSoundData(zSound*) override {
        ++freedSoundData;
        if (journal) journal->push_back("FreeSoundData");
    }
};

struct RecordingListener : zCoreListener {
    struct Event {
        u32 code;
        bool hasPayload;
        zResourceEventRecord record;
    };
    std::vector<Event> events;
    std::vector<std::string>* journal = nullptr;
    void OnCoreEvent(u32 code, void* payload) override {
        Event event{code, payload != nullptr, {}};
        if (payload) event.record = *static_cast<zResourceEventRecord*>(payload);
        events.push_back(event);
        if (journal) journal->push_back("event " + std::to_string(code));
    }
    int Count(u32 code) const {
        int count = 0;
        for (const auto& event : events)
            count += event.code == code;
        return count;
    }
};

struct CountingEvents : zEngine::EventInterface {
    int begins = 0, ends = 0, setups = 0;
    std::vector<std::string> statuses;
    void OnLoadBegin() override { ++begins; }
    void OnLoadStatus(const char* text, f32 progress) override {
        statuses.push_back(text);
        EXPECT_EQ(progress, -1.0f);
    }
    void OnLoadEnd() override { ++ends; }
    void OnSetupStatus(const char* text) override {
        ++setups;
        EXPECT_STREQ(text, "Sound Setup");
    }
};

inline void WriteBytes(const std::string& path, const std::vector<u8>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// An uncompressed 32-bit TGA of 2 x 1 BGRA pixels.
inline std::vector<u8> SmallTga() {
    std::vector<u8> bytes(18, 0);
    bytes[2] = 2;
    bytes[12] = 2;
    bytes[14] = 1;
    bytes[16] = 32;
    bytes[17] = 0x28; // top-left origin, 8 alpha bits
    const u8 pixels[] = {0x10, 0x20, 0x30, 0xFF, 0x40, 0x50, 0x60, 0x80};
    bytes.insert(bytes.end(), pixels, pixels + sizeof(pixels));
    return bytes;
}

inline void PutU32(std::vector<u8>& bytes, u32 value) {
    for (int i = 0; i < 4; ++i)
        bytes.push_back(u8(value >> (8 * i)));
}

// A 16-bit stereo 48000 Hz WAV of four frames.
inline std::vector<u8> SmallWav() {
    std::vector<u8> bytes = {'R', 'I', 'F', 'F'};
    PutU32(bytes, 36 + 16);
    for (char c : std::string("WAVEfmt "))
        bytes.push_back(u8(c));
    PutU32(bytes, 16);
    bytes.insert(bytes.end(), {1, 0, 2, 0});
    PutU32(bytes, 48000);
    PutU32(bytes, 48000 * 4);
    bytes.insert(bytes.end(), {4, 0, 16, 0});
    for (char c : std::string("data"))
        bytes.push_back(u8(c));
    PutU32(bytes, 16);
    for (int i = 0; i < 16; ++i)
        bytes.push_back(u8(i));
    return bytes;
}

// A scratch directory under the test's working directory, removed after.
struct ScratchDirectory {
    std::string path;
    explicit ScratchDirectory(const char* name) : path(std::string("scratch_") + name) {
        std::string command = "mkdir -p " + path;
        EXPECT_EQ(std::system(command.c_str()), 0);
    }
    ~ScratchDirectory() {
        std::string command = "rm -rf " + path;
        (void)std::system(command.c_str());
    }
    std::string File(const char* name) const { return path + "/" + name; }
};
