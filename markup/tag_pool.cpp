#include "markup/tag_pool.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "markup/block_allocator.h"
#include "markup/meta_tag.h"

// Every tag is preceded by a header word: its chunk, or null when the tag has
// a heap block of its own.
struct zMetaTagPool::Chunk {
    // One per tag slot not yet handed out or whose tag is alive, plus one
    // while the pool still carves from the chunk.
    std::atomic<u32> references;
};

namespace {

using Chunk = zMetaTagPool::Chunk;

constexpr size_t HeaderSize = sizeof(Chunk*);
constexpr size_t ChunkHeadSize = 8;
constexpr size_t SlotSize = HeaderSize + (sizeof(zMetaTag) + 7) / 8 * 8;
constexpr size_t ChunkSize = 16 * 1024;
// Tag slots a chunk would hold with no texts at all.
constexpr u32 SlotsPerChunk = u32((ChunkSize - ChunkHeadSize) / SlotSize);
// Longer texts get heap copies of their own: they seldom repeat.
constexpr size_t MaxStoredText = 256;

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

// A quick key for finding a stored text again: its length and its first and
// last eight bytes (texts that differ elsewhere are told apart by the compare).
u32 TextKey(const char* text, size_t length) {
    const size_t edge = length < 8 ? length : 8;
    u64 first = 0;
    u64 last = 0;
    std::memcpy(&first, text, edge);
    std::memcpy(&last, text + length - edge, edge);
    const u64 mixed = (first * 0x9E3779B97F4A7C15ull) ^ (last * 0xC2B2AE3D27D4EB4Full) ^ length;
    return u32(mixed >> 32) ^ u32(mixed);
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
    m_front = m_back = nullptr;
    ++m_generation;
}

void* zMetaTagPool::Allocate(size_t size) {
    if (size > SlotSize - HeaderSize) return zMetaTag::operator new(size);
    if (m_chunk && (m_used == SlotsPerChunk || size_t(m_back - m_front) < SlotSize)) LeaveChunk();
    if (!m_chunk) {
        void* block = AllocateBlock(ChunkSize);
        if (!block) throw std::bad_alloc();
        m_chunk = new (block) Chunk{};
        m_chunk->references.store(SlotsPerChunk + 1, std::memory_order_relaxed);
        m_used = 0;
        m_front = static_cast<char*>(block) + ChunkHeadSize;
        m_back = static_cast<char*>(block) + ChunkSize;
    }
    char* slot = m_front;
    m_front += SlotSize;
    ++m_used;
    *reinterpret_cast<Chunk**>(slot) = m_chunk;
    return slot + HeaderSize;
}

bool zMetaTagPool::StoreText(const zMetaTag* tag, const char* begin, const char* end, const char*& stored) {
    const size_t length = size_t(end - begin);
    if (!m_chunk || !tag || length > MaxStoredText) return false;
    // By address, without reading memory: tags outside pools (on the stack,
    // on the heap) have no header to read.
    const uintptr_t address = reinterpret_cast<uintptr_t>(tag);
    if (address < reinterpret_cast<uintptr_t>(m_chunk) || address >= reinterpret_cast<uintptr_t>(m_front))
        return false;
    const u32 key = TextKey(begin, length);
    StoredText& entry = m_texts[key % StoredTextSlots];
    if (entry.generation == m_generation && entry.text && entry.key == key && entry.length == length &&
        std::memcmp(entry.text, begin, length) == 0) {
        stored = entry.text;
        return true;
    }
    if (size_t(m_back - m_front) < length + 1) return false;
    m_back -= length + 1;
    if (length) std::memcpy(m_back, begin, length);
    m_back[length] = '\0';
    entry = {m_back, key, u32(length), m_generation};
    stored = m_back;
    return true;
}
