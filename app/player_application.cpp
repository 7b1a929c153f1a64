#include "app/player_application.h"

#include <cstring>
#include <memory>
#include <new>

#include "audio/al_mixer.h"
#include "audio/smix_mixer.h"
#include "core/log.h"
#include "platform/stop_signals.h"
#include "platform/window_events.h"
#include "render/gl/egl_renderer.h"
#include "render/gl/gl_renderer.h"
#include "render/renderer.h"

namespace {

constexpr u32 DisplayBitsPerPixel = 32;

// The factories' ids with their list texts; an id without a factory here
// is refused with its own line until its renderer or mixer is built.
struct DeviceId {
    const char* id;
    const char* listLine;
    bool available;
};

const DeviceId RendererIds[] = {
    {"none", "'none'\t\t\t\t: No video output.\n", true},
    {"gl2", "'gl2'\t\t\t\t: OpenGL 2.0 based hardware renderer.\n", true},
    {"egl2", "'egl2'\t\t\t\t: OpenGL ES 2.0 based hardware renderer.\n", true},
};

const DeviceId MixerIds[] = {
    {"none", "'none'\t\t\t\t: No sound output.\n", true},
    {"al", "'al'\t\t\t\t: OpenAL based hardware mixer.\n", true},
    {"soft", "'soft'\t\t\t\t: Platform independent software mixer.\n", true},
    {"file", "'file' <output.wav>\t: Software mixer with output to file.\n", true},
};

template <size_t Count> void PrintIds(const char* heading, const DeviceId (&ids)[Count]) {
    GetLog() << heading << "\n";
    for (const DeviceId& entry : ids)
        GetLog() << entry.listLine;
    GetLog() << "\n";
}

// True for "none"; false with a log line for "list" (the ids), for a known
// id whose device is not built, and for an unknown id.
template <size_t Count>
bool CheckId(const zString& id, const char* kind, const char* heading, const DeviceId (&ids)[Count]) {
    if (id == "list") {
        PrintIds(heading, ids);
        return false;
    }
    for (const DeviceId& entry : ids) {
        if (id != entry.id) continue;
        if (entry.available) return true;
        GetLog() << "[!] The " << kind << " id '" << id << "' is not available in this build.\n";
        return false;
    }
    GetLog() << "[!] Unknown " << kind << " id '" << id << "'.\n";
    return false;
}

} // namespace

zApplicationWin32::zApplicationWin32() {
    rendererId.Set("gl2");
    mixerId.Set("al");
    width = 1280;
    height = 720;
    m_mixerOutputPath.Set("mix_out.pcm");
}

zApplicationWin32::~zApplicationWin32() {
    // Shut down here while the overrides are still this class's.
    Shutdown();
}

void zApplicationWin32::OnMixerDeleting(zMixer* dying) {
    if (dying == m_fileMixer) m_fileMixer = nullptr;
}

bool zApplicationWin32::OpenDisplay() {
    zRenderer* current = GetRenderer() ? GetRenderer() : engine.GetRenderer();
    return current && current->Open(u32(width), u32(height), DisplayBitsPerPixel, fullscreen);
}

bool zApplicationWin32::OpenAudio() {
    zMixer* current = GetMixer() ? GetMixer() : engine.GetMixer();
    if (!current) return false;
    if (current->Open()) return true;
    if (current != GetMixer()) return false;
    // A machine without sound output still runs the player: silent, on the
    // engine's null mixer, which becomes current again with this one gone.
    GetLog() << "[*] Mixer '" << mixerId << "' failed to open: no sound output.\n";
    current->Close();
    DropMixer();
    zMixer* fallback = engine.GetMixer();
    return fallback && fallback->Open();
}

bool zApplicationWin32::PumpMessages() {
    // SIGINT and SIGTERM end the run as Escape does, even under -ignore_esc:
    // a run without a window has no other way out.
    if (OsStopRequested()) return false;
    zOsWindowEvents events = OsPumpWindowEvents();
    if (events.resized) {
        if (zRenderer* current = engine.GetRenderer()) current->UpdateOutputSize();
    }
    if (!ignoreEscape && (events.quitRequested || OsIsEscapeDown())) return false;
    // One frame of time, one frame of sound in the file.
    if (m_fileMixer) m_fileMixer->SetFixedStep(engine.GetFrameTime());
    return true;
}

bool zApplicationWin32::ParseExtraOption(int argc, const char* const* argv, int& index) {
    if (std::strcmp(argv[index], "-Mf") != 0) return false;
    if (index + 1 >= argc) {
        GetLog() << "[!] -Mf: Missing mixer output file.\n";
        return false;
    }
    m_mixerOutputPath.Set(argv[++index]);
    return true;
}

void zApplicationWin32::PrintExtraUsage() {
    GetLog() << "Software mixer:\n\n";
    GetLog() << "-Mf <path>         : Output file.\n";
    GetLog() << "\n";
}

bool zApplicationWin32::CreateRenderer() {
    // "none" creates nothing: the engine's null renderer stays current.
    if (!CheckId(rendererId, "renderer", "Available renderer ID:\n", RendererIds)) return false;
    if (rendererId == "gl2") {
        std::unique_ptr<zRenderer> made(new (std::nothrow) zGL3Renderer(&engine, true));
        if (!made) GetLog() << "[!] Failed to allocate the renderer 'gl2'.\n";
        return AdoptRenderer(std::move(made));
    }
    if (rendererId == "egl2") {
        std::unique_ptr<zRenderer> made(new (std::nothrow) zEGLRenderer(&engine, true));
        if (!made) GetLog() << "[!] Failed to allocate the renderer 'egl2'.\n";
        return AdoptRenderer(std::move(made));
    }
    return true;
}

bool zApplicationWin32::CreateMixer() {
    // "none" creates nothing: the engine's null mixer stays current.
    if (!CheckId(mixerId, "mixer", "Available mixer ID:\n", MixerIds)) return false;
    if (mixerId == "al") {
        std::unique_ptr<zMixer> made(new (std::nothrow) zALMixer(&engine, true));
        if (!made) GetLog() << "[!] Failed to allocate the mixer 'al'.\n";
        return AdoptMixer(std::move(made));
    }
    if (mixerId == "soft" || mixerId == "file") {
        auto* made = new (std::nothrow) zSMixMixer(&engine, true);
        if (!made) {
            GetLog() << "[!] Failed to allocate the mixer '" << mixerId << "'.\n";
            return false;
        }
        AdoptMixer(std::unique_ptr<zMixer>(made));
        if (mixerId == "file") {
            // The application owns it; this is a second view, never deleted.
            m_fileMixer = made;
            m_fileMixer->OpenOutputFile(m_mixerOutputPath);
        }
    }
    return true;
}
