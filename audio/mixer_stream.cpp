#include "audio/mixer_stream.h"

#include <new>

#include "audio/lmr/stream.h"
#include "audio/mixer.h"
#include "core/alloc_category.h"
#include "core/clock.h"
#include "core/log.h"

zMixerStreamDecoderThread::~zMixerStreamDecoderThread() {
    m_running = false;
    Close();
}

bool zMixerStreamDecoderThread::Run() {
    while (m_running) {
        m_stream->Step();
        SleepMilliseconds(5);
    }
    return true;
}

zMixerStream::zMixerStream(zMixer* mixer, int channel)
    : zMixerStreamInterface(mixer, channel), m_thread(new (std::nothrow) zMixerStreamDecoderThread(this)) {
    m_ring.Create(RingBlockSize, RingBlockCount);
}

zMixerStream::~zMixerStream() {
    if (m_thread) {
        m_thread->Stop();
        m_thread->Close();
    }
    GetLog() << "Stream interface decoder thread joined.\n";
    if (m_stream) m_stream->Close();
    m_stream.reset();
    m_thread.reset();
}

zMixerStreamInterface* zMixerStream::Create(zMixer* mixer, int channel) {
    zMixerStream* stream = new (std::nothrow) zMixerStream(mixer, channel);
    if (stream && !stream->m_thread) {
        delete stream;
        return nullptr;
    }
    return stream;
}

void InstallMixerStreams() {
    SetMixerStreamFactory(&zMixerStream::Create);
}

bool zMixerStream::Open(const char* path) {
    zScopedAllocCategory category(AllocCategorySound);
    m_stream.reset(new (std::nothrow) lmr_Stream(nullptr, this));
    if (!m_stream) {
        GetLog() << "[!] Failed to allocate stream.\n";
        return false;
    }
    if (m_stream->Open(path, false)) {
        // The content's format; the ring itself always holds stereo 16-bit.
        const lmr_AudioFormat& audio = m_stream->GetAudioFormat();
        zPCMFormat format{};
        format.channels = audio.stereo ? 2 : 1;
        format.sampleRate = audio.sampleRate;
        format.bitsPerSample = u8(audio.bitsPerSample);
        return GetMixer()->StreamChannelOpen(GetChannel(), format);
    }
    m_stream.reset();
    return false;
}

bool zMixerStream::StartDecoderThread() {
    if (!m_thread || !m_thread->Create()) return false;
    return m_thread->Resume();
}

void zMixerStream::Step() {
    zScopedLock lock(m_streamMutex);
    if (m_stream) m_stream->Update(1);
}

lmr_Stream* zMixerStream::LockMediaStream() {
    m_streamMutex.Lock();
    return m_stream.get();
}

bool zMixerStream::IsStreamPlaying() {
    return m_stream && m_stream->GetState() == StreamPlaying;
}

void zMixerStream::SeekStream(u32 milliseconds) {
    if (m_stream) m_stream->Seek(milliseconds);
}

u32 zMixerStream::GetReadableBytes() {
    return m_ring.GetReadableBytes();
}

u32 zMixerStream::ReadRing(void* buffer, u32 count) {
    return m_ring.Read(buffer, count);
}

u32 zMixerStream::Read(void* dest, u32 size) {
    zScopedLock lock(m_ringMutex);
    return m_ring.Read(dest, size);
}

void zMixerStream::Write(const void* data, u32 size, u32) {
    zScopedLock lock(m_ringMutex);
    m_ring.Write(data, size);
}

bool zMixerStream::HasEnoughData() {
    zScopedLock lock(m_ringMutex);
    return m_ring.HasEnoughData();
}
