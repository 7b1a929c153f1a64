#include "engine/engine.h"

#include <cassert>
#include <limits>
#include <memory>
#include <new>

#include "audio/mixer.h"
#include "audio/mixer_stream.h"
#include "audio/null_mixer.h"
#include "core/clock.h"
#include "core/log.h"
#include "core/random.h"
#include "engine/core_listener.h"
#include "engine/resource_cache.h"
#include "engine/texture_stream.h"
#include "platform/process_priority.h"
#include "render/null_renderer.h"

namespace {

constexpr u32 RandomSeed = 77;
constexpr i64 NanosecondsPerUnit = 100000;
constexpr i64 NanosecondsPerSecond = 1000000000;

bool g_missingResource = false;

i32 SaturateToInt(i64 value) {
    if (value > std::numeric_limits<i32>::max()) return std::numeric_limits<i32>::max();
    if (value < std::numeric_limits<i32>::min()) return std::numeric_limits<i32>::min();
    return i32(value);
}

} // namespace

const char* GetEngineVersion() {
    return "1.1.7";
}

bool SetProcessPriority(int level) {
    if (level < 0 || level > 2) return true;
    return OsSetProcessPriority(level);
}

void RaiseMissingResourceFlag() {
    g_missingResource = true;
}
bool IsMissingResourceFlagRaised() {
    return g_missingResource;
}
void ClearMissingResourceFlag() {
    g_missingResource = false;
}

zEngine::zEngine() {
    SeedRand(RandomSeed);
    m_nullRenderer = std::make_unique<zNull_Renderer>(this, true);
    m_nullMixer = std::make_unique<zNull_Mixer>(this, false);
    InstallMixerStreams();
    InstallTextureStreams();
    m_mixer = m_nullMixer.get();
    m_defaultCache = std::make_unique<zResourceCache>(this);
    m_currentCache = m_defaultCache.get();
    m_frameTimer.Reset();
    m_updateTimer.Reset();
}

zEngine::~zEngine() {
    if (m_drawNesting != 0) GetLog() << "[*] Not all BeginDraw() were closed by calling EndDraw().\n";
    // Caches still listed were never freed by FreeResourceCaches: they are
    // the engine's, so they go too, before the renderer and mixer their
    // resources free their data on.
    while (auto* node = m_caches.GetHead())
        m_caches.Take(node);
    // Emptied while it is still the engine's default, then destroyed.
    m_currentCache = m_defaultCache.get();
    m_defaultCache->Clear();
    m_defaultCache.reset();
    m_currentCache = nullptr;
    m_nullRenderer.reset();
    m_nullMixer.reset();
    m_coreListeners.Clear();
}

zRenderer* zEngine::GetDefaultRenderer() const {
    return m_nullRenderer.get();
}

zMixer* zEngine::GetDefaultMixer() const {
    return m_nullMixer.get();
}

void zEngine::SendEvent(u32 code, void* payload) {
    for (auto* node = m_coreListeners.GetHead(); node;) {
        auto* next = node->next; // a listener may remove itself
        node->value->OnCoreEvent(code, payload);
        node = next;
    }
}

void zEngine::SetMixer(zMixer* mixer) {
    m_mixer = mixer ? mixer : m_nullMixer.get();
}

void zEngine::UnregisterMixer(zMixer* mixer) {
    if (!mixer) return;
    if (mixer == m_nullMixer.get()) {
        m_mixer = nullptr;
    } else if (mixer == m_mixer) {
        m_mixer = m_nullMixer.get();
    }
}

void zEngine::BeginDraw(bool updateStreams, bool restartTimers) {
    if (m_drawNesting == 0 && m_renderer) m_renderer->BeginDraw();
    ++m_drawNesting;
    if (updateStreams) UpdateTextureStreams(m_frameTime);
    if (restartTimers) {
        m_frameTimer.End();
        m_frameTimer.Begin();
        m_updateTimer.Tick();
        if (m_renderer) m_renderer->GetPerfCounter().Tick();
    }
}

void zEngine::EndDraw(bool force, bool keepQueue, bool stepClock) {
    if (m_drawNesting > 0) --m_drawNesting;
    if (m_drawNesting > 0 && !force) {
        if (!keepQueue && m_renderer) m_renderer->ResetRenderQueue();
        return;
    }
    if (m_renderer) m_renderer->EndDraw();
    if (m_mixer) m_mixer->Update();
    if (m_renderer) m_renderer->ShowFrame();
    if (endOfFrameHook) endOfFrameHook();
    if (stepClock) StepClock();
    if (!keepQueue && m_renderer) m_renderer->ResetRenderQueue();
}

void zEngine::StepClock() {
    if (m_paused) {
        m_frameTime = 0;
        m_lastReading = 0;
        return;
    }
    const u32 now = ::GetClock();
    const u32 raw = now - m_lastReading; // modulo 2^32: right across the wrap
    i64 dt = SaturateToInt(i64(raw) * m_scale / ScaleUnity);
    if (m_fixedStep > 0) {
        dt = SaturateToInt(i64(m_fixedStep) * m_scale / ScaleUnity);
        if (m_targetRate > 0) {
            i64 accumulator =
                i64(m_correctionAccumulator) + NanosecondsPerSecond / m_targetRate - dt * NanosecondsPerUnit;
            if (accumulator > NanosecondsPerUnit) {
                const i64 units = accumulator / NanosecondsPerUnit;
                dt += units;
                GetLog() << "Applying clock correction of " << units << " units.\n";
                accumulator -= units * NanosecondsPerUnit;
            }
            m_correctionAccumulator = SaturateToInt(accumulator);
        }
    }
    const i32 frameTime = SaturateToInt(dt);
    if (m_lastReading != 0) {
        m_clock += u32(frameTime);
        m_rawFrameTime = SaturateToInt(raw);
        m_frameTime = frameTime;
    } else {
        m_rawFrameTime = 0;
        m_frameTime = 0;
    }
    if (m_frameTime < 0) m_frameTime = 0;
    m_lastReading = now;
}

void zEngine::SetFixedDeltaFrame(i32 step) {
    m_fixedStep = step;
    m_targetRate = -1;
    m_correctionAccumulator = 0;
}

void zEngine::SetFixedFramerateCorrection(i32 rate) {
    m_targetRate = rate;
    m_correctionAccumulator = 0;
}

void zEngine::ResetClock() {
    m_lastReading = ::GetClock();
    m_frameTime = ResetFrameTime;
}

void zEngine::SyncClock() {
    m_lastReading = ::GetClock();
}

f32 zEngine::GetFrameTimeSeconds() const {
    return f32(m_frameTime) / 10000.0f;
}

f32 zEngine::GetRawFrameTimeSeconds() const {
    return f32(m_rawFrameTime) / 10000.0f;
}

void zEngine::TickUpdateTimer() {
    m_updateTimer.Tick();
}

void zEngine::AddCoreListener(zCoreListener* listener) {
    if (listener) m_coreListeners.Add(listener, true, false);
}

void zEngine::RemoveCoreListener(zCoreListener* listener) {
    m_coreListeners.Remove(listener);
}

void zEngine::SetEventInterface(EventInterface* events) {
    m_currentEventInterface = events ? events : &m_eventInterface;
}

zResourceCache* zEngine::SetResourceCache(zResourceCache* cache) {
    zResourceCache* previous = m_currentCache;
    m_currentCache = cache ? cache : m_defaultCache.get();
    return previous;
}

zResourceCache* zEngine::NewResourceCache() {
    std::unique_ptr<zResourceCache> cache(new (std::nothrow) zResourceCache(this));
    zResourceCache* made = cache.get();
    if (!cache || !m_caches.Add(std::move(cache))) return nullptr;
    return made;
}

void zEngine::FreeResourceCaches() {
    GetLog() << "Freeing " << (m_caches.GetCount() + 1) << " resource cache(s)...\n";
    m_currentCache = m_defaultCache.get();
    while (auto* node = m_caches.GetHead())
        m_caches.Take(node);
    m_defaultCache->Clear();
    GetLog() << "Done.\n";
}
