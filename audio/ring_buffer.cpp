#include "audio/ring_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/log.h"

zMixerRingBuffer::~zMixerRingBuffer() {
    if (!m_external) delete[] m_memory;
}

bool zMixerRingBuffer::Create(u32 size, u32 count, u8* external) {
    if (!m_external) delete[] m_memory;
    m_memory = external;
    m_external = external != nullptr;
    if (!m_memory && u64(size) * count > 0) m_memory = new (std::nothrow) u8[u64(size) * count];
    if (!m_memory && u64(size) * count > 0) {
        m_size = m_count = m_free = 0;
        GetLog() << "[!] Failed to allocate ring buffer.\n";
        return false;
    }
    m_size = size;
    m_count = count;
    m_free = count;
    m_writeBlock = m_readBlock = m_writeOffset = m_readOffset = 0;
    GetLog() << "Allocate " << u32(u64(size) * count / 1024) << "kb ring buffer (" << count << "*" << size
             << " bytes)\n";
    return true;
}

u32 zMixerRingBuffer::Write(const void* data, u32 size) {
    const u8* from = static_cast<const u8*>(data);
    u32 taken = 0;
    if (m_size == 0) return 0;
    while (taken < size && m_free > 0) {
        const u32 chunk = std::min(size - taken, m_size - m_writeOffset);
        std::memcpy(m_memory + u64(m_writeBlock) * m_size + m_writeOffset, from + taken, chunk);
        taken += chunk;
        m_writeOffset += chunk;
        if (m_writeOffset == m_size) {
            m_writeBlock = (m_writeBlock + 1) % m_count;
            --m_free;
            m_writeOffset = 0;
        }
    }
    return taken;
}

u32 zMixerRingBuffer::Read(void* dest, u32 size) {
    u8* to = static_cast<u8*>(dest);
    u32 taken = 0;
    if (m_size == 0) return 0;
    while (taken < size && m_free < m_count) {
        const u32 chunk = std::min(size - taken, m_size - m_readOffset);
        if (to) std::memcpy(to + taken, m_memory + u64(m_readBlock) * m_size + m_readOffset, chunk);
        taken += chunk;
        m_readOffset += chunk;
        if (m_readOffset == m_size) {
            m_readBlock = (m_readBlock + 1) % m_count;
            ++m_free;
            m_readOffset = 0;
        }
    }
    return taken;
}

u32 zMixerRingBuffer::GetReadableBytes() const {
    return (m_count - m_free) * m_size - m_readOffset;
}

bool zMixerRingBuffer::HasEnoughData() const {
    if (m_count == 0) return true;
    return 100 - (m_free * 100 / m_count) > 50;
}
