// zMetaTagPool: the memory of one document's tags, for a reader that builds a
// whole tree. Tags, their names and their string values are carved one after
// another from a few large chunks of one arena; a text that repeats (names
// mostly do) is stored once for the whole document. Nothing is allocated or
// freed per tag or per text.
//
// The arena counts its live tags and goes, all its chunks at once, with the
// last of them: a document frees its tree by counting the tags it destroys
// and handing the count back in one step. Tags stay free to be detached,
// moved to other documents and deleted one by one, on any thread, before or
// after the pool and their document are gone; a moved tag keeps its arena,
// and so its texts, alive. The pool itself is used by one thread.
#pragma once

#include <cstddef>

#include "core/types.h"

class zLinkedListId;
class zMetaTag;

class zMetaTagPool {
public:
    struct Arena;

    zMetaTagPool() = default;
    // Gives up the pool's hold on the arena; the tags made from it live on.
    ~zMetaTagPool();

    // Room for a tag of size bytes; throws std::bad_alloc as new does. The
    // tag built there knows its arena.
    void* Allocate(size_t size);

    // Stores the text [begin, end) in the arena of tag, or finds it there
    // already, and gives its terminated copy, which lives as long as the tag.
    // False (and nothing stored) when tag is not from this pool, the text is
    // long or memory runs out: the caller then keeps its own copy. Names are
    // looked up in a small table of their own, which values (mostly unique)
    // never crowd out.
    enum class TextUse { Value, Name };
    bool StoreText(const zMetaTag* tag, const char* begin, const char* end, const char*& stored,
                   TextUse use = TextUse::Value);

private:
    friend class zMetaTag;  // its placement delete hands a slot's reference back

    zMetaTagPool(const zMetaTagPool&) = delete;
    zMetaTagPool& operator=(const zMetaTagPool&) = delete;

    // Makes room for size bytes at m_cursor; false when memory runs out.
    bool Reserve(size_t size);
    bool AddChunk();
    bool StoreName(const char* begin, size_t length, const char*& stored);
    // A terminated copy of the text at m_cursor; null when memory runs out.
    char* CopyText(const char* begin, size_t length);

public:
    // A text's first 24 and last eight bytes (markup/tag_pool.cpp).
    struct TextEdges;

private:
    // Texts stored so far by a quick key, one per slot (a newer text takes
    // the slot over), with their edges.
    struct StoredText;
    struct StoredName;
    static constexpr u32 SmallTextSlots = 256;
    static constexpr u32 LargeTextSlots = 4096;
    static constexpr u32 NameSlots = 256;

    Arena* m_arena = nullptr;
    char* m_cursor = nullptr;  // next free byte of the current segment
    char* m_limit = nullptr;   // end of the current segment
    char* m_chunkEnd = nullptr;
    u64 m_handedOut = 0;  // tags carved so far
    u32 m_chunks = 0;
    u8 m_storage = 0;  // the storage kind of tags carved from the current chunk
    StoredText* m_texts = nullptr;  // heap table of m_textSlots, made on first use
    u32 m_textSlots = 0;
    StoredName* m_names = nullptr;  // heap table of NameSlots, made on first use
};

// Deletes every tag of list (unless the list does not own them) and empties
// it; the tags of arenas are destroyed in place and their memory handed back
// per arena in one step.
void DeleteTagList(zLinkedListId& list);

// For zMetaTag: the storage kind of a tag being built at tag (0: a heap block
// or any memory outside a pool), and the record of a tag's end read by its
// operator delete.
u8 TakeTagStorage(const zMetaTag* tag);
void NoteTagDestroyed(const zMetaTag* tag, u8 storage);
