// zMetaTagPool: memory for many tags at once, for a reader that builds a whole
// tree. Tags are carved from chunks instead of taking one heap block each, and
// their names and string values are stored in the same chunk as the tag: from
// the chunk's far end, once per chunk for a text that repeats (names mostly
// do), with no heap block and nothing to free per text.
//
// A chunk is freed once the pool has moved on from it and the last of its
// tags is deleted, so the tags stay free to be detached, moved and deleted
// one by one, on any thread, before or after the pool and their document are
// gone; a tag's stored texts live exactly as long as its chunk. The pool
// itself is used by one thread.
#pragma once

#include <cstddef>

#include "core/types.h"

class zMetaTag;
class zString;

class zMetaTagPool {
public:
    struct Chunk;

    zMetaTagPool() = default;
    // Gives up the current chunk; the tags made from it live on.
    ~zMetaTagPool();

    // Room for a tag of size bytes; throws std::bad_alloc as new does.
    void* Allocate(size_t size);

    // Stores the text [begin, end) in the chunk of tag, or finds it there
    // already, and gives its terminated copy. False (and nothing stored) when
    // tag is not in the pool's current chunk or the chunk has no room left:
    // the caller then keeps its own copy.
    bool StoreText(const zMetaTag* tag, const char* begin, const char* end, const char*& stored);

private:
    zMetaTagPool(const zMetaTagPool&) = delete;
    zMetaTagPool& operator=(const zMetaTagPool&) = delete;

    void LeaveChunk();

    // Texts stored in the current chunk by hash; entries of an earlier chunk
    // carry an older generation.
    struct StoredText {
        const char* text;
        u32 key;
        u32 length;
        u32 generation;
    };
    static constexpr u32 StoredTextSlots = 256;

    Chunk* m_chunk = nullptr;
    u32 m_used = 0;   // tag slots handed out from m_chunk
    char* m_front = nullptr;  // next tag slot
    char* m_back = nullptr;   // start of the texts stored so far
    u32 m_generation = 0;
    StoredText m_texts[StoredTextSlots] = {};
};
