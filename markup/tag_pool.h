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

    // Room for a tag of size bytes, for zMetaTag's operator new; throws
    // std::bad_alloc as new does. The tag built there knows its arena.
    void* Allocate(size_t size);

    // Terminated copies of texts for tags of this pool, which live as long as
    // any of its tags. Null when the text is longer than MaxStoredText or
    // memory runs out: the caller then keeps its own copy.
    static constexpr size_t MaxStoredText = 1024;
    // A name, with its hash as zString computes it; a name that repeats is
    // the same copy throughout the document.
    const char* StoreName(const char* begin, u32 length, u32 hash);
    // The slot of a name's hash in a table of slots (a power of two, at most
    // 2^16): the hash's bits mixed, as names often differ in their last byte.
    static u32 NameSlot(u32 hash, u32 slots) { return ((hash * 0x9E3779B1u) >> 16) & (slots - 1); }
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
    const char* AddName(const char* begin, u32 length, u32 hash);

public:
    // A text's first 24 and last eight bytes (markup/tag_pool.cpp).
    struct TextEdges;

private:
    // Values stored so far by a quick key, one per slot (a newer text takes
    // the slot over), with their edges.
    struct StoredText;
    // Names stored so far, by hash with open addressing.
    struct StoredName {
        const char* text;  // null: a free slot
        u32 length;
        u32 hash;
    };
    static constexpr u32 SmallTextSlots = 256;
    static constexpr u32 LargeTextSlots = 4096;
    static constexpr u32 FirstNameSlots = 256;
    static constexpr u32 MaxNameSlots = 1u << 16;

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

inline const char* zMetaTagPool::StoreName(const char* begin, u32 length, u32 hash) {
    // Names are short: compared a byte at a time after their hash and length.
    if (m_nameCount * 2 < m_nameSlots) {
        const u32 mask = m_nameSlots - 1;
        for (u32 index = NameSlot(hash, m_nameSlots);; index = (index + 1) & mask) {
            const StoredName& entry = m_names[index];
            if (!entry.text) break;
            if (entry.hash != hash || entry.length != length) continue;
            u32 i = 0;
            while (i < length && entry.text[i] == begin[i]) ++i;
            if (i == length) return entry.text;
        }
    }
    return AddName(begin, length, hash);
}

// Deletes every tag of list (unless the list does not own them) and empties
// it; the tags of arenas are destroyed in place and their memory handed back
// per arena in one step.
void DeleteTagList(zLinkedListId& list);

// For zMetaTag: the storage kind of a tag being built at tag (0: a heap block
// or any memory outside a pool), and the record of a tag's end read by its
// operator delete.
u8 TakeTagStorage(const zMetaTag* tag);
void NoteTagDestroyed(const zMetaTag* tag, u8 storage);
