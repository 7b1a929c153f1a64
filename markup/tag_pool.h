// zMetaTagPool: memory for many tags at once, for a reader that builds a whole
// tree. Tags are carved from chunks instead of taking one heap block each.
//
// A chunk is freed once the pool has moved on from it and the last of its
// tags is deleted, so the tags stay free to be detached, moved and deleted
// one by one, on any thread, before or after the pool and their document are
// gone. The pool itself is used by one thread.
#pragma once

#include <cstddef>

#include "core/types.h"

class zMetaTagPool {
public:
    struct Chunk;

    zMetaTagPool() = default;
    // Gives up the current chunk; the tags made from it live on.
    ~zMetaTagPool();

    // Room for a tag of size bytes; throws std::bad_alloc as new does.
    void* Allocate(size_t size);

private:
    zMetaTagPool(const zMetaTagPool&) = delete;
    zMetaTagPool& operator=(const zMetaTagPool&) = delete;

    void LeaveChunk();

    Chunk* m_chunk = nullptr;
    u32 m_used = 0;  // slots handed out from m_chunk
};
