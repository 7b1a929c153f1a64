// zMetaTagPool: the memory of one document's tags, for a reader that builds a
// whole tree. Tags, their names and their string values are carved from a few
// large chunks of one arena, tags from the front of a segment and texts from
// its back; a name that repeats is stored once for the whole document, and a
// string value mostly too. Nothing is allocated or freed per tag or per text.
// Chunks grow with the document; past the first megabyte they come from the
// kernel in large pages (markup/block_allocator.h), so that a big document
// costs few page faults.
//
// The arena counts its live tags and goes, all its chunks at once, with the
// last of them: a document frees its tree by counting the tags it destroys
// and handing the count back in one step. Tags stay free to be detached,
// moved to other documents and deleted one by one, on any thread, before or
// after the pool and their document are gone; a moved tag keeps its arena,
// and so its texts, alive. The pool itself is used by one thread.
#pragma once

#include <cstddef>
#include <cstring>
#include <new>

#include "core/types.h"
#include "markup/meta_tag.h"

class zLinkedListId;

class zMetaTagPool {
public:
    struct Arena;

    zMetaTagPool() = default;
    // Gives up the pool's hold on the arena; the tags made from it live on.
    ~zMetaTagPool();

    // A nameless tag without value; null when memory runs out.
    zMetaTag* NewTag();

    // Terminated copies of texts for tags of this pool, which live as long as
    // any of its tags. Null when the text is longer than MaxStoredText or
    // memory runs out: the caller then keeps its own copy.
    static constexpr size_t MaxStoredText = 1024;
    // A name of length bytes at begin, whose bytes up to limit may be read
    // (limit >= begin + length); a name that repeats is the same copy
    // throughout the document. hash is set to its hash as zString computes it.
    const char* StoreName(const char* begin, u32 length, const char* limit, u32& hash);
    // A string value; a recent one of the same text is found again.
    const char* StoreValue(const char* begin, u32 length);

    // StoreName or StoreValue for tag, a tag of this pool: false (and nothing
    // stored) when it is not, or when they give null.
    enum class TextUse { Value, Name };
    bool StoreText(const zMetaTag* tag, const char* begin, const char* end, const char*& stored,
                   TextUse use = TextUse::Value);

private:
    friend class zMetaTag;  // its placement delete hands a slot's reference back

    zMetaTagPool(const zMetaTagPool&) = delete;
    zMetaTagPool& operator=(const zMetaTagPool&) = delete;

    // Makes room for size bytes between m_cursor and m_textStart; false when
    // memory runs out.
    bool Reserve(size_t size);
    bool AddChunk();
    // A terminated copy of the text below m_textStart; null when memory runs out.
    char* CopyText(const char* begin, size_t length);
    bool GrowNames();
    // StoreName past the lookup of a name the table holds.
    const char* AddName(const char* begin, u32 length, u64 head, u32 key, u32& hash);
    // A name's first eight bytes as a word, zeros after its end, and its key
    // in the table: its head, its length and, past eight bytes, its last ones.
    static u64 NameHead(const char* begin, u32 length, const char* limit);
    static u32 NameKey(const char* begin, u32 length, u64 head);

public:
    // A text's first 24 and last eight bytes (markup/tag_pool.cpp).
    struct TextEdges;

private:
    // Values stored so far by a quick key, one per slot (a newer text takes
    // the slot over), with their edges.
    struct StoredText;
    // Names stored so far, by NameKey with open addressing.
    struct StoredName {
        const char* text;  // null: a free slot
        u64 head;          // NameHead
        u32 length;
        u32 hash;  // as zString computes it
    };
    static constexpr u32 SmallTextSlots = 256;
    static constexpr u32 LargeTextSlots = 4096;
    static constexpr u32 FirstNameSlots = 256;
    static constexpr u32 MaxNameSlots = 1u << 16;
    // A name lies at most this many slots past its key; past them the table
    // is crowded there and the name is not kept (lookups stay short whatever
    // the names are).
    static constexpr u32 MaxNameProbes = 32;

    Arena* m_arena = nullptr;
    char* m_cursor = nullptr;     // next free byte of the current segment, for tags
    char* m_textStart = nullptr;  // end of its free bytes, the start of its texts
    char* m_segmentEnd = nullptr;
    char* m_chunkEnd = nullptr;
    u64 m_handedOut = 0;  // tags carved so far
    u32 m_chunks = 0;
    u8 m_storage = 0;  // the storage kind of tags carved from the current chunk
    StoredText* m_texts = nullptr;  // heap table of m_textSlots, made on first use
    u32 m_textSlots = 0;
    StoredName* m_names = nullptr;  // heap table of m_nameSlots, made on first use
    u32 m_nameSlots = 0;
    u32 m_nameCount = 0;
};

inline zMetaTag* zMetaTagPool::NewTag() {
    static_assert(sizeof(zMetaTag) % 8 == 0, "tags carved one after another stay aligned");
    if (size_t(m_textStart - m_cursor) < sizeof(zMetaTag) && !Reserve(sizeof(zMetaTag))) return nullptr;
    // The global placement new: zMetaTag's own operators new take no place.
    zMetaTag* tag = ::new (m_cursor) zMetaTag(zMetaTag::PoolStorage{m_storage});
    m_cursor += sizeof(zMetaTag);
    ++m_handedOut;
    return tag;
}

inline u64 zMetaTagPool::NameHead(const char* begin, u32 length, const char* limit) {
    u64 head = 0;
    if (limit - begin >= 8) {
        std::memcpy(&head, begin, 8);  // little-endian: the first byte lowest
        if (length < 8) head &= (u64(1) << (8 * length)) - 1;
    } else {
        for (u32 i = 0; i < length && i < 8; ++i) head |= u64(u8(begin[i])) << (8 * i);
    }
    return head;
}

inline u32 zMetaTagPool::NameKey(const char* begin, u32 length, u64 head) {
    u64 mixed = (head ^ length) * 0x9E3779B97F4A7C15ull;
    if (length > 8) {
        // The words between head and tail too: names alike at both ends
        // (numbered in the middle) spread over the table.
        for (u32 at = 8; at + 8 < length; at += 8) {
            u64 word = 0;
            std::memcpy(&word, begin + at, 8);
            mixed = (mixed ^ word) * 0x9E3779B97F4A7C15ull;
        }
        u64 last = 0;
        std::memcpy(&last, begin + length - 8, 8);
        mixed ^= last * 0xC2B2AE3D27D4EB4Full;
    }
    return u32(mixed >> 32);
}

inline const char* zMetaTagPool::StoreName(const char* begin, u32 length, const char* limit, u32& hash) {
    const u64 head = NameHead(begin, length, limit);
    const u32 key = NameKey(begin, length, head);
    // Most names are eight bytes or fewer: their head is all of them.
    if (m_nameCount * 2 < m_nameSlots) {
        const u32 mask = m_nameSlots - 1;
        u32 index = key & mask;
        for (u32 probe = 0; probe < MaxNameProbes; ++probe, index = (index + 1) & mask) {
            const StoredName& entry = m_names[index];
            if (!entry.text) break;
            if (entry.head != head || entry.length != length) continue;
            if (length > 8 && std::memcmp(entry.text + 8, begin + 8, length - 8) != 0) continue;
            hash = entry.hash;
            return entry.text;
        }
    }
    return AddName(begin, length, head, key, hash);
}

// Deletes every tag of list (unless the list does not own them) and empties
// it; the tags of arenas are destroyed in place and their memory handed back
// per arena in one step.
void DeleteTagList(zLinkedListId& list);

// For zMetaTag: the record of a tag's end read by its operator delete.
void NoteTagDestroyed(const zMetaTag* tag, u8 storage);
