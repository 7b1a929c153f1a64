// zMixerRingBuffer: the PCM ring between a stream's decoder thread and the
// mixer. It is a ring of `count` blocks of `size` bytes. Writes fill the
// current block and hand it over only when it is full; reads take bytes from
// whole written blocks only, so a partly written block is never readable.
// Bytes written while no block is free are dropped.
//
// The ring has no lock of its own: its owner (zMixerStreamImpl) guards it with
// the ring mutex.
#pragma once

#include <memory>

#include "core/types.h"

class zMixerRingBuffer {
  public:
    zMixerRingBuffer() = default;
    ~zMixerRingBuffer();
    zMixerRingBuffer(const zMixerRingBuffer&) = delete;
    zMixerRingBuffer& operator=(const zMixerRingBuffer&) = delete;

    // Allocates count blocks of size bytes, or uses external memory of that
    // size (not freed). Logs "Allocate <kb>kb ring buffer (<count>*<size> bytes)"
    // or "[!] Failed to allocate ring buffer.".
    bool Create(u32 size, u32 count, u8* external = nullptr);

    // Takes the bytes while a block is free; returns how many were taken.
    u32 Write(const void* data, u32 size);
    // Copies up to size bytes out of whole written blocks; dest may be null
    // to skip bytes. Returns the bytes taken.
    u32 Read(void* dest, u32 size);
    // Bytes of whole written blocks not yet read.
    u32 GetReadableBytes() const;
    // True when more than half of the blocks hold data (or there are none).
    bool HasEnoughData() const;

    u32 GetBlockSize() const { return m_size; }
    u32 GetBlockCount() const { return m_count; }
    u32 GetFreeBlocks() const { return m_free; }

  private:
    bool m_external = false;
    u32 m_writeBlock = 0;
    u32 m_readBlock = 0;
    u32 m_free = 0;
    u8* m_memory = nullptr;
    u32 m_size = 0;
    u32 m_count = 0;
    u32 m_writeOffset = 0;
    u32 m_readOffset = 0;
};
