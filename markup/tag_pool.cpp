#include "markup/tag_pool.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <typeinfo>

#include "markup/block_allocator.h"
#include "markup/meta_tag.h"
#include "platform/large_pages.h"

// An arena is a list of chunks; the first holds the arena itself. Chunks are
// cut into segments of SegmentSize bytes, each aligned to its size and
// starting with a SegmentHead, so that a tag finds its arena from its own
// address. The first chunk is one small segment (most documents are small);
// later ones grow, from heap blocks to blocks of large pages.
struct zMetaTagPool::TextEdges {
    u64 first;
    u64 second;
    u64 third;
    u64 last;
};

struct zMetaTagPool::StoredText {
    const char* text;
    u64 length;
    TextEdges edges;
};

struct zMetaTagPool::Arena {
    // Live tags, plus Hold while the pool still carves from the arena.
    std::atomic<u64> references;
    char* newestChunk;
};

struct zMetaTagAccess {
    static u8 Storage(const zMetaTag* tag) { return tag->GetStorage(); }
    // Nothing a destructor would free or unlink: texts borrowed or absent, a
    // plain value, children already taken and owned.
    static bool OwnsNothing(const zMetaTag* tag) {
        const zVariant& value = tag->m_value;
        if (tag->id.CStr() && !tag->id.IsBorrowed()) return false;
        if (value.m_hasExtras || tag->m_children.IsNotOwner()) return false;
        switch (value.m_type) {
        case VariantNone:
        case VariantFloat:
        case VariantBool:
        case VariantInt:
            return true;
        case VariantString:
            return !value.m_string.CStr() || value.m_string.IsBorrowed();
        default:
            return false;
        }
    }
};

namespace {

using Arena = zMetaTagPool::Arena;

// In the first segment of a chunk, olderChunk and largeSize describe the
// chunk; in later ones they are zero.
struct SegmentHead {
    Arena* arena;
    char* olderChunk;  // the chunk made before this one
    size_t largeSize;  // the bytes of a block of large pages; 0 for a heap block
};

constexpr size_t SmallSegmentSize = 4 * 1024;
constexpr size_t SegmentSize = 64 * 1024;
// Heap chunks double from SegmentSize for HeapChunks chunks after the first;
// then come blocks of large pages, one of LargePageSize, then MaxLargeChunk
// each (large enough for few system calls, small enough that the last, part
// used, wastes little).
constexpr u32 HeapChunks = 4;
constexpr size_t MaxLargeChunk = 2 * LargePageSize;
// Storage kinds of pooled tags: the size of the segment they are in.
constexpr u8 StorageSmallSegment = 1;
constexpr u8 StorageSegment = 2;
constexpr size_t MaxStoredText = zMetaTagPool::MaxStoredText;  // longer texts seldom repeat
constexpr u64 Hold = u64(1) << 62;

static_assert(sizeof(SegmentHead) % 8 == 0 && sizeof(Arena) % 8 == 0, "tags stay aligned");
static_assert(alignof(zMetaTag) <= 8, "tags stay aligned");
static_assert(sizeof(zMetaTag) <= 80, "a tag takes at most 80 bytes");
static_assert(MaxStoredText + 1 + sizeof(zMetaTag) < SmallSegmentSize - sizeof(SegmentHead) - sizeof(Arena),
              "a text or a tag always fits a fresh segment");

Arena* ArenaOf(const void* tag, u8 storage) {
    const uintptr_t size = storage == StorageSmallSegment ? SmallSegmentSize : SegmentSize;
    const uintptr_t segment = reinterpret_cast<uintptr_t>(tag) & ~(size - 1);
    return reinterpret_cast<const SegmentHead*>(segment)->arena;
}

void FreeArena(Arena* arena) {
    char* chunk = arena->newestChunk;
    // The oldest chunk, which holds the arena, goes last.
    while (chunk) {
        const SegmentHead* head = reinterpret_cast<SegmentHead*>(chunk);
        char* older = head->olderChunk;
        if (head->largeSize) {
            FreeLargePageBlock(chunk, head->largeSize);
        } else {
            std::free(chunk);
        }
        chunk = older;
    }
}

// Drops count references; frees the arena on the last.
void Release(Arena* arena, u64 count) {
    if (arena->references.fetch_sub(count, std::memory_order_acq_rel) == count) FreeArena(arena);
}

// References handed back per arena in one step.
class ReleaseBatch {
public:
    ~ReleaseBatch() { Flush(); }
    void Add(Arena* arena) {
        if (arena != m_arena) {
            Flush();
            m_arena = arena;
        }
        ++m_count;
    }
    void Flush() {
        if (m_arena) Release(m_arena, m_count);
        m_arena = nullptr;
        m_count = 0;
    }

private:
    Arena* m_arena = nullptr;
    u64 m_count = 0;
};

// Up to eight bytes of text as one word, zeros after them.
u64 LoadWord(const char* text, size_t length) {
    u64 word = 0;
    if (length >= 8) {
        std::memcpy(&word, text, 8);
    } else {
        for (size_t i = 0; i < length; ++i) word |= u64(u8(text[i])) << (8 * i);
    }
    return word;
}

// A text's first 24 and last eight bytes as words: up to 32 bytes they are
// the whole text, so that most texts compare without reading the stored copy
// (which may be anywhere in a large document).
using TextEdges = zMetaTagPool::TextEdges;

TextEdges EdgesOf(const char* text, size_t length) {
    const u64 first = LoadWord(text, length);
    if (length <= 8) return {first, 0, 0, first};
    return {first, length > 16 ? LoadWord(text + 8, 8) : 0, length > 24 ? LoadWord(text + 16, 8) : 0,
            LoadWord(text + length - 8, 8)};
}

bool SameEdges(const TextEdges& a, const TextEdges& b) {
    return a.first == b.first && a.second == b.second && a.third == b.third && a.last == b.last;
}

// Whether two texts of length bytes with the same edges are the same: the
// bytes past the first 24 compared a word at a time.
bool SameRest(const char* a, const char* b, size_t length) {
    for (size_t i = 24; i + 8 < length; i += 8) {
        if (LoadWord(a + i, 8) != LoadWord(b + i, 8)) return false;
    }
    return true;
}

u32 TextKey(const TextEdges& edges, size_t length) {
    const u64 mixed = (edges.first * 0x9E3779B97F4A7C15ull) ^ (edges.last * 0xC2B2AE3D27D4EB4Full) ^
                      ((edges.second ^ (edges.third >> 7)) * 0x165667B19E3779F9ull) ^ length;
    return u32(mixed >> 32) ^ u32(mixed);
}

// The tag whose destructor has just run, for its operator delete.
struct TagRecord {
    const void* tag;
    u8 storage;
};
thread_local TagRecord t_destroyed{nullptr, 0};

}  // namespace

void NoteTagDestroyed(const zMetaTag* tag, u8 storage) {
    t_destroyed = {tag, storage};
}

void* zMetaTag::operator new(size_t size) {
    void* memory = AllocateBlock(size);
    if (!memory) throw std::bad_alloc();
    return memory;
}

void* zMetaTag::operator new(size_t size, const std::nothrow_t&) noexcept {
    return AllocateBlock(size);
}

void zMetaTag::operator delete(void* memory) noexcept {
    if (!memory) return;
    if (t_destroyed.tag == memory) {
        const u8 storage = t_destroyed.storage;
        t_destroyed = {nullptr, 0};
        if (storage) {
            Release(ArenaOf(memory, storage), 1);
            return;
        }
    }
    std::free(memory);
}

void zMetaTag::operator delete(void* memory, const std::nothrow_t&) noexcept {
    operator delete(memory);
}

zMetaTagPool::~zMetaTagPool() {
    std::free(m_texts);
    std::free(m_names);
    if (m_arena) Release(m_arena, Hold - m_handedOut);
}

bool zMetaTagPool::AddChunk() {
    const bool first = m_chunks == 0;
    size_t size = SmallSegmentSize;
    size_t largeSize = 0;
    char* chunk = nullptr;
    if (first) {
        chunk = static_cast<char*>(AllocateAlignedBlock(size, SmallSegmentSize));
    } else if (m_chunks <= HeapChunks) {
        size = SegmentSize << (m_chunks - 1);
        chunk = static_cast<char*>(AllocateAlignedBlock(size, SegmentSize));
    } else {
        size = m_chunks == HeapChunks + 1 ? LargePageSize : MaxLargeChunk;
        chunk = static_cast<char*>(AllocateLargePageBlock(size));
        largeSize = size;
    }
    if (!chunk) return false;
    char* cursor = chunk + sizeof(SegmentHead);
    if (first) {
        m_arena = new (cursor) Arena{{Hold}, nullptr};
        cursor += sizeof(Arena);
    }
    SegmentHead* head = reinterpret_cast<SegmentHead*>(chunk);
    head->arena = m_arena;
    head->olderChunk = m_arena->newestChunk;
    head->largeSize = largeSize;
    m_arena->newestChunk = chunk;
    m_cursor = cursor;
    m_segmentEnd = chunk + (first ? SmallSegmentSize : SegmentSize);
    m_textStart = m_segmentEnd;
    m_chunkEnd = chunk + size;
    m_storage = first ? StorageSmallSegment : StorageSegment;
    ++m_chunks;
    return true;
}

bool zMetaTagPool::Reserve(size_t size) {
    if (m_arena && size_t(m_textStart - m_cursor) >= size) return true;
    if (m_arena && m_segmentEnd < m_chunkEnd) {
        // The next segment of the current chunk.
        SegmentHead* head = reinterpret_cast<SegmentHead*>(m_segmentEnd);
        *head = {m_arena, nullptr, 0};
        m_cursor = m_segmentEnd + sizeof(SegmentHead);
        m_segmentEnd += SegmentSize;
        m_textStart = m_segmentEnd;
        return true;
    }
    return AddChunk();
}

bool zMetaTagPool::StoreText(const zMetaTag* tag, const char* begin, const char* end, const char*& stored,
                             TextUse use) {
    const size_t length = size_t(end - begin);
    // By the tag's own storage kind first: tags outside pools (on the stack,
    // on the heap) have no segment to read.
    if (!tag || length > MaxStoredText || !m_arena || !tag->GetStorage()) return false;
    if (ArenaOf(tag, tag->GetStorage()) != m_arena) return false;
    const char* text = nullptr;
    if (use == TextUse::Name) {
        u32 hash = 0;
        text = StoreName(begin, u32(length), end, hash);
    } else {
        text = StoreValue(begin, u32(length));
    }
    if (!text) return false;
    stored = text;
    return true;
}

const char* zMetaTagPool::StoreValue(const char* begin, u32 length) {
    if (length > MaxStoredText) return nullptr;
    // A small table while the document fits its first chunk, a large one
    // from then on (its texts start over: it is only a cache).
    const u32 slots = m_chunks > 1 ? LargeTextSlots : SmallTextSlots;
    if (m_textSlots != slots) {
        std::free(m_texts);
        m_texts = static_cast<StoredText*>(std::calloc(slots, sizeof(StoredText)));
        m_textSlots = m_texts ? slots : 0;
        if (!m_texts) return nullptr;
    }
    const TextEdges edges = EdgesOf(begin, length);
    StoredText& entry = m_texts[TextKey(edges, length) & (slots - 1)];
    if (entry.text && entry.length == length && SameEdges(entry.edges, edges) && SameRest(entry.text, begin, length))
        return entry.text;
    char* text = CopyText(begin, length);
    if (!text) return nullptr;
    entry = {text, length, edges};
    return text;
}

bool zMetaTagPool::GrowNames() {
    const u32 slots = m_nameSlots ? m_nameSlots * 2 : FirstNameSlots;
    StoredName* names = static_cast<StoredName*>(std::calloc(slots, sizeof(StoredName)));
    if (!names) return false;
    for (u32 i = 0; i < m_nameSlots; ++i) {
        const StoredName& name = m_names[i];
        if (!name.text) continue;
        u32 index = NameKey(name.text, name.length, name.head) & (slots - 1);
        u32 probe = 0;
        for (; probe < MaxNameProbes && names[index].text; ++probe) index = (index + 1) & (slots - 1);
        if (probe < MaxNameProbes) {
            names[index] = name;
        } else {
            --m_nameCount;
        }
    }
    std::free(m_names);
    m_names = names;
    m_nameSlots = slots;
    return true;
}

const char* zMetaTagPool::AddName(const char* begin, u32 length, u64 head, u32 key, u32& hash) {
    if (length > MaxStoredText) return nullptr;
    // At most half full: a probe always ends on a free slot. A table that may
    // not grow further only finds the names it holds.
    if (m_nameCount * 2 >= m_nameSlots && m_nameSlots < MaxNameSlots && !GrowNames() && !m_names) return nullptr;
    const u32 mask = m_nameSlots - 1;
    u32 index = key & mask;
    u32 probe = 0;
    for (; m_names[index].text; index = (index + 1) & mask) {
        if (++probe > MaxNameProbes) break;
        const StoredName& entry = m_names[index];
        if (entry.head == head && entry.length == length && std::memcmp(entry.text, begin, length) == 0) {
            hash = entry.hash;
            return entry.text;
        }
    }
    char* text = CopyText(begin, length);
    if (!text) return nullptr;
    u32 computed = 0;
    for (u32 i = 0; i < length; ++i) computed = StringHashStep(computed, begin[i]);
    hash = computed | 1u;
    if (m_nameCount * 2 < m_nameSlots && !m_names[index].text) {
        m_names[index] = {text, head, length, hash};
        ++m_nameCount;
    }
    return text;
}

char* zMetaTagPool::CopyText(const char* begin, size_t length) {
    if (!Reserve(length + 1)) return nullptr;
    m_textStart -= length + 1;
    char* text = m_textStart;
    if (length) std::memcpy(text, begin, length);
    text[length] = '\0';
    return text;
}

namespace {

// Disposes of a chain of entries taken from a list of tags. A pooled tag that
// owns nothing outside its arena (borrowed or no texts, no block, no extras)
// needs no destructor: its memory is only counted for its arena. Any other
// entry is destroyed as its list would.
void DestroyChain(zLinkedListEntry* entry, ReleaseBatch& batch) {
    while (entry) {
        zLinkedListEntry* next = entry->GetNext();
        // Tags of an arena lie one after another in the order of the walk.
        __builtin_prefetch(reinterpret_cast<const char*>(entry) + 4096);
        // Lists of tags may hold other named entries.
        zMetaTag* tag = typeid(*entry) == typeid(zMetaTag) ? static_cast<zMetaTag*>(entry) : nullptr;
        const u8 storage = tag ? zMetaTagAccess::Storage(tag) : 0;
        if (!storage) {
            delete entry;
        } else {
            Arena* arena = ArenaOf(tag, storage);
            zLinkedListId& children = tag->GetChildren();
            if (!children.IsNotOwner()) DestroyChain(children.TakeEntries(), batch);
            if (!zMetaTagAccess::OwnsNothing(tag)) tag->~zMetaTag();
            batch.Add(arena);
        }
        entry = next;
    }
}

}  // namespace

void DeleteTagList(zLinkedListId& list) {
    if (list.IsNotOwner()) {
        list.Clear(false);
        return;
    }
    ReleaseBatch batch;
    DestroyChain(list.TakeEntries(), batch);
}
