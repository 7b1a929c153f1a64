// zArchiveNameTable: finds archive entries by name in constant time.
//
// An open-addressed table of (folded hash, exact hash, entry) slots with
// linear probing. The folded hash is the engine's string hash over the name
// with ASCII upper case lowered and '\' taken as '/', so an exact lookup and a
// folded one (case and separators ignored) land on the same probe sequence and
// cost the same; the exact hash is the engine's hash of the name itself and
// rejects near misses before any byte is compared.
//
// Names are taken up to their first 0 byte, as a C string compare sees them.
// Slots are only ever added, in the order the entries were added, and a later
// entry probes past every earlier one of the same folded hash: the first match
// along a probe sequence is the first such entry in file order, so of two
// same-named entries the first is always found.
#pragma once

#include "core/types.h"

struct zArchiveEntry;

enum class zArchiveNameMatch : u8 {
    Exact, // byte for byte
    Folded // ASCII case ignored, '\' equal to '/'
};

class zArchiveNameTable {
  public:
    zArchiveNameTable() = default;
    ~zArchiveNameTable();
    zArchiveNameTable(const zArchiveNameTable&) = delete;
    zArchiveNameTable& operator=(const zArchiveNameTable&) = delete;

    void Clear();
    // The entry must stay at its address while it is in the table. False when
    // the table cannot grow; the table then holds nothing (callers fall back
    // to a walk of their entries).
    bool Add(zArchiveEntry* entry);
    zArchiveEntry* Find(const char* name, zArchiveNameMatch match) const;
    // The same test one entry at a time, for a walk of the entries.
    static bool Matches(const zArchiveEntry& entry, const char* name, zArchiveNameMatch match);
    u32 GetCount() const { return m_count; }

  private:
    struct Slot {
        u32 foldedHash; // 0: free (a computed hash is never 0)
        u32 exactHash;
        zArchiveEntry* entry;
    };

    bool Grow();
    void Place(const Slot& slot);

    Slot* m_slots = nullptr;
    u32 m_capacity = 0; // a power of two, or 0
    u32 m_count = 0;
};
