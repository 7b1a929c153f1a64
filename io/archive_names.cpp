#include "io/archive_names.h"

#include <cstdlib>
#include <cstring>

#include "io/archive.h"

namespace {

constexpr u32 FirstCapacity = 16;

char FoldNameChar(char c) {
    if (c >= 'A' && c <= 'Z') return char(c - 'A' + 'a');
    return c == '\\' ? '/' : c;
}

// The engine's string hash step (core/zstring.h): bytes as signed values.
u32 NameHashStep(u32 hash, char c) {
    return hash * 37u + u32(i32(i8(c)));
}

// The string hash changes mostly in its low bits from the last bytes; the
// high bits of a multiplicative mix depend on every byte.
u32 SlotIndex(u32 foldedHash, u32 capacity) {
    const int bits = __builtin_ctz(capacity); // capacity is a power of two, at least 16
    return (foldedHash * 0x9E3779B1u) >> (32 - bits);
}

const char* TextOf(const zArchiveEntry* entry) {
    const char* text = entry->name.CStr();
    return text ? text : "";
}

// Both hashes of a name in one pass; length receives the bytes before the
// first 0 byte.
void HashArchiveName(const char* name, u32& exactHash, u32& foldedHash, u32& length) {
    u32 exact = 0;
    u32 folded = 0;
    const char* p = name;
    for (; *p; ++p) {
        exact = NameHashStep(exact, *p);
        folded = NameHashStep(folded, FoldNameChar(*p));
    }
    exactHash = exact | 1u;
    foldedHash = folded | 1u;
    length = u32(p - name);
}

// Whether entry text a names b (length bytes before its terminator).
bool ArchiveNamesMatch(const char* a, const char* b, u32 length, zArchiveNameMatch match) {
    if (match == zArchiveNameMatch::Exact) return std::strcmp(a, b) == 0;
    // Stops at b's terminator or at the first difference, so a is never read
    // past its own.
    for (u32 i = 0; i <= length; ++i) {
        if (FoldNameChar(a[i]) != FoldNameChar(b[i])) return false;
    }
    return true;
}

} // namespace

zArchiveNameTable::~zArchiveNameTable() {
    std::free(m_slots);
}

void zArchiveNameTable::Clear() {
    std::free(m_slots);
    m_slots = nullptr;
    m_capacity = 0;
    m_count = 0;
}

void zArchiveNameTable::Place(const Slot& slot) {
    u32 index = SlotIndex(slot.foldedHash, m_capacity);
    while (m_slots[index].foldedHash != 0)
        index = (index + 1) & (m_capacity - 1);
    m_slots[index] = slot;
}

bool zArchiveNameTable::Grow() {
    // At most half full keeps misses to a probe or two.
    if (m_capacity > 0x40000000u) return false;
    const u32 capacity = m_capacity ? m_capacity * 2 : FirstCapacity;
    Slot* slots = static_cast<Slot*>(std::calloc(capacity, sizeof(Slot)));
    if (!slots) return false;
    Slot* old = m_slots;
    const u32 oldCapacity = m_capacity;
    m_slots = slots;
    m_capacity = capacity;
    // Entries of one folded hash sit in one run of used slots, in the order
    // they were added; walking the old table from a free slot keeps that
    // order, where a walk from index 0 could meet a wrapped run's tail first.
    u32 start = 0;
    while (start < oldCapacity && old[start].foldedHash != 0)
        ++start;
    for (u32 step = 1; step <= oldCapacity; ++step) {
        const Slot& slot = old[(start + step) & (oldCapacity - 1)];
        if (slot.foldedHash != 0) Place(slot);
    }
    std::free(old);
    return true;
}

bool zArchiveNameTable::Add(zArchiveEntry* entry) {
    if ((m_count + 1) * 2 > m_capacity && !Grow()) {
        Clear();
        return false;
    }
    Slot slot;
    u32 length = 0;
    HashArchiveName(TextOf(entry), slot.exactHash, slot.foldedHash, length);
    slot.entry = entry;
    Place(slot);
    ++m_count;
    return true;
}

zArchiveEntry* zArchiveNameTable::Find(const char* name, zArchiveNameMatch match) const {
    if (!name || m_count == 0) return nullptr;
    u32 exactHash = 0;
    u32 foldedHash = 0;
    u32 length = 0;
    HashArchiveName(name, exactHash, foldedHash, length);
    for (u32 index = SlotIndex(foldedHash, m_capacity);; index = (index + 1) & (m_capacity - 1)) {
        const Slot& slot = m_slots[index];
        if (slot.foldedHash == 0) return nullptr;
        if (slot.foldedHash != foldedHash) continue;
        if (match == zArchiveNameMatch::Exact && slot.exactHash != exactHash) continue;
        if (ArchiveNamesMatch(TextOf(slot.entry), name, length, match)) return slot.entry;
    }
}

bool zArchiveNameTable::Matches(const zArchiveEntry& entry, const char* name, zArchiveNameMatch match) {
    if (!name) return false;
    return ArchiveNamesMatch(TextOf(&entry), name, u32(std::strlen(name)), match);
}
