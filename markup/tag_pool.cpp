#include "markup/tag_pool.h"

#include <atomic>
#include <cstdlib>
#include <new>

#include "markup/block_allocator.h"
#include "markup/meta_tag.h"

// Every tag is preceded by a header word: its chunk, or null when the tag has
// a heap block of its own.
struct zMetaTagPool::Chunk {
    // One per slot not yet handed out or whose tag is alive, plus one while
    // the pool still carves from the chunk.
    std::atomic<u32> references;
};

namespace {

using Chunk = zMetaTagPool::Chunk;

constexpr size_t HeaderSize = sizeof(Chunk*);
constexpr size_t ChunkHeadSize = 8;
constexpr size_t SlotSize = HeaderSize + (sizeof(zMetaTag) + 7) / 8 * 8;
// About 12 KB a chunk.
constexpr u32 SlotsPerChunk = 64;

static_assert(alignof(zMetaTag) <= HeaderSize && alignof(Chunk*) <= HeaderSize, "tags stay aligned");
static_assert(sizeof(Chunk) <= ChunkHeadSize && ChunkHeadSize % HeaderSize == 0, "the chunk head fits");

Chunk*& HeaderOf(void* memory) {
    return *reinterpret_cast<Chunk**>(static_cast<char*>(memory) - HeaderSize);
}

void* AllocateOnHeap(size_t size) noexcept {
    char* block = static_cast<char*>(AllocateBlock(HeaderSize + size));
    if (!block) return nullptr;
    *reinterpret_cast<Chunk**>(block) = nullptr;
    return block + HeaderSize;
}

// Drops count references; frees the chunk on the last.
void Release(Chunk* chunk, u32 count) {
    if (chunk->references.fetch_sub(count, std::memory_order_acq_rel) == count) {
        chunk->~Chunk();
        std::free(chunk);
    }
}

}  // namespace

void* zMetaTag::operator new(size_t size) {
    void* memory = AllocateOnHeap(size);
    if (!memory) throw std::bad_alloc();
    return memory;
}

void* zMetaTag::operator new(size_t size, const std::nothrow_t&) noexcept {
    return AllocateOnHeap(size);
}

void* zMetaTag::operator new(size_t size, zMetaTagPool& pool) {
    return pool.Allocate(size);
}

void zMetaTag::operator delete(void* memory) noexcept {
    if (!memory) return;
    if (Chunk* chunk = HeaderOf(memory)) {
        Release(chunk, 1);
    } else {
        std::free(static_cast<char*>(memory) - HeaderSize);
    }
}

void zMetaTag::operator delete(void* memory, const std::nothrow_t&) noexcept {
    operator delete(memory);
}

void zMetaTag::operator delete(void* memory, zMetaTagPool&) noexcept {
    operator delete(memory);
}

zMetaTagPool::~zMetaTagPool() {
    LeaveChunk();
}

void zMetaTagPool::LeaveChunk() {
    if (!m_chunk) return;
    Release(m_chunk, 1 + (SlotsPerChunk - m_used));
    m_chunk = nullptr;
}

void* zMetaTagPool::Allocate(size_t size) {
    if (size > SlotSize - HeaderSize) return zMetaTag::operator new(size);
    if (m_chunk && m_used == SlotsPerChunk) LeaveChunk();
    if (!m_chunk) {
        void* block = AllocateBlock(ChunkHeadSize + SlotsPerChunk * SlotSize);
        if (!block) throw std::bad_alloc();
        m_chunk = new (block) Chunk{};
        m_chunk->references.store(SlotsPerChunk + 1, std::memory_order_relaxed);
        m_used = 0;
    }
    char* slot = reinterpret_cast<char*>(m_chunk) + ChunkHeadSize + m_used * SlotSize;
    ++m_used;
    *reinterpret_cast<Chunk**>(slot) = m_chunk;
    return slot + HeaderSize;
}
