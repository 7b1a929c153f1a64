// Intrusive doubly linked lists: the entries derive from zLinkedListEntry and
// carry their own links, so an entry is in at most one list at a time.
//
// A list owns its entries unless its not-owner flag is set: then clearing and
// removing never delete them. zLinkedListId holds zLinkedListEntryId entries,
// which carry a name looked up by hash first (a loaded ZML file is held in
// one, named after the file). Not thread-safe.
#pragma once

#include <cassert>

#include "core/types.h"
#include "core/zstring.h"

class zLinkedList;

class zLinkedListEntry {
  public:
    zLinkedListEntry() : m_back(0), m_next(nullptr) {}
    virtual ~zLinkedListEntry() = default;

    zLinkedListEntry* GetPrevious() const { return (m_back & HeadMark) ? nullptr : Untagged(m_back); }
    zLinkedListEntry* GetNext() const { return m_next; }

  private:
    friend class zLinkedList;
    zLinkedListEntry(const zLinkedListEntry&) = delete;
    zLinkedListEntry& operator=(const zLinkedListEntry&) = delete;

    static constexpr uintptr_t HeadMark = 1;
    static zLinkedListEntry* Untagged(uintptr_t word) {
        return reinterpret_cast<zLinkedListEntry*>(word & ~HeadMark);
    }

    // Written by the list the entry is in; both zero when it is in none. The
    // back word holds the previous entry, or for the head the list's tail
    // marked with HeadMark, so a list needs no tail pointer of its own.
    uintptr_t m_back;
    zLinkedListEntry* m_next;
};

class zLinkedListEntryId : public zLinkedListEntry {
  public:
    zLinkedListEntryId() = default;
    explicit zLinkedListEntryId(const zString& name) : id(name) {}

    zString id; // the entry's name
};

// Iteration state {current, next}: each step moves to the saved next and saves
// its successor, so the current entry may be removed during the iteration.
struct zLinkedListIterator {
    zLinkedListEntry* current = nullptr; // null: the next step starts at the head
    zLinkedListEntry* next = nullptr;
    u32 count = 0; // entries in the list when Init was called

    void Init(const zLinkedList& list);
};

class zLinkedList {
  public:
    zLinkedList() : m_head(nullptr), m_count(0), m_notOwner(false) {}
    // Clears with delete (unless not-owner). Not virtual: lists are never
    // deleted through a base pointer, and every ZML tag holds one.
    ~zLinkedList();

    u32 GetCount() const { return m_count; }
    zLinkedListEntry* GetHead() const { return m_head; }
    zLinkedListEntry* GetTail() const { return m_head ? zLinkedListEntry::Untagged(m_head->m_back) : nullptr; }
    bool IsNotOwner() const { return m_notOwner; }
    void SetNotOwner(bool notOwner) { m_notOwner = notOwner; }

    // Null entry: null. Unless duplicates are allowed, an entry already in this
    // list is returned unchanged. allowDuplicates only skips that search: an
    // entry is never linked twice.
    zLinkedListEntry* Add(zLinkedListEntry* entry, bool atEnd = true, bool allowDuplicates = false);
    // Appends an entry that is in no list, without Add's lookups: for a
    // builder that has just made the entry.
    void AppendUnlinked(zLinkedListEntry* entry) {
        assert(!IsLinkedSomewhere(entry));
        entry->m_next = nullptr;
        if (m_head) {
            zLinkedListEntry* tail = zLinkedListEntry::Untagged(m_head->m_back);
            entry->m_back = reinterpret_cast<uintptr_t>(tail);
            tail->m_next = entry;
        } else {
            m_head = entry;
        }
        m_head->m_back = reinterpret_cast<uintptr_t>(entry) | zLinkedListEntry::HeadMark;
        ++m_count;
    }
    // Null entry or reference: null. The reference must be in this list.
    zLinkedListEntry* InsertBefore(zLinkedListEntry* entry, zLinkedListEntry* reference,
                                   bool allowDuplicates = false);
    zLinkedListEntry* InsertAfter(zLinkedListEntry* entry, zLinkedListEntry* reference,
                                  bool allowDuplicates = false);

    bool Contains(const zLinkedListEntry* entry) const;
    // Unlinks without deleting; false when the entry is not in the list.
    bool Detach(zLinkedListEntry* entry);
    // Detaches, then deletes when asked and the list owns its entries; false
    // (and nothing deleted) when the entry is not in the list.
    bool Remove(zLinkedListEntry* entry, bool deleteIt = true);
    // Deletes every entry from the head on when asked and the list owns them;
    // the list is empty afterwards in any case.
    void Clear(bool deleteIt = true);

    // Empties the list without touching its entries and gives the first of
    // them, for a caller that disposes of them all: they keep their links, so
    // GetNext still walks them.
    zLinkedListEntry* TakeEntries();

    // Walks from the head; past the end logs and gives null.
    zLinkedListEntry* GetAt(u32 index) const;
    // The next entry of an iteration, null at the end.
    zLinkedListEntry* Next(zLinkedListIterator& iterator) const;

  private:
    zLinkedList(const zLinkedList&) = delete;
    zLinkedList& operator=(const zLinkedList&) = delete;

    // Links an entry that is in no list between two neighbours (either may be null).
    void Link(zLinkedListEntry* entry, zLinkedListEntry* previous, zLinkedListEntry* next);
    // True when the entry carries links and so is in some list.
    bool IsLinkedSomewhere(const zLinkedListEntry* entry) const;
    bool MayLink(zLinkedListEntry* entry, bool allowDuplicates, zLinkedListEntry*& result) const;

    // The count and the flag share one word: every ZML tag holds a list.
    zLinkedListEntry* m_head;
    u32 m_count;
    bool m_notOwner; // when set, clearing and removing never delete entries
};

class zLinkedListId : public zLinkedList {
  public:
    // Only named entries go in, so lookups and the typed getters can rely on it.
    zLinkedListEntryId* Add(zLinkedListEntryId* entry, bool atEnd = true, bool allowDuplicates = false) {
        return static_cast<zLinkedListEntryId*>(zLinkedList::Add(entry, atEnd, allowDuplicates));
    }
    void AppendUnlinked(zLinkedListEntryId* entry) { zLinkedList::AppendUnlinked(entry); }
    zLinkedListEntryId* InsertBefore(zLinkedListEntryId* entry, zLinkedListEntryId* reference,
                                     bool allowDuplicates = false) {
        return static_cast<zLinkedListEntryId*>(zLinkedList::InsertBefore(entry, reference, allowDuplicates));
    }
    zLinkedListEntryId* InsertAfter(zLinkedListEntryId* entry, zLinkedListEntryId* reference,
                                    bool allowDuplicates = false) {
        return static_cast<zLinkedListEntryId*>(zLinkedList::InsertAfter(entry, reference, allowDuplicates));
    }

    // The first entry whose id equals name (hash first); a miss logs when asked.
    zLinkedListEntryId* FindById(const zString& name, bool log = true) const;
    zLinkedListEntryId* FindById(const char* name, bool log = true) const;
    // FindById without the log line by default.
    zLinkedListEntryId* Find(const zString& name, bool log = false) const { return FindById(name, log); }
    zLinkedListEntryId* Find(const char* name, bool log = false) const { return FindById(name, log); }

    zLinkedListEntryId* GetAt(u32 index) const {
        return static_cast<zLinkedListEntryId*>(zLinkedList::GetAt(index));
    }
    zLinkedListEntryId* Next(zLinkedListIterator& iterator) const {
        return static_cast<zLinkedListEntryId*>(zLinkedList::Next(iterator));
    }
    zLinkedListEntryId* GetHead() const { return static_cast<zLinkedListEntryId*>(zLinkedList::GetHead()); }
    zLinkedListEntryId* GetTail() const { return static_cast<zLinkedListEntryId*>(zLinkedList::GetTail()); }
};
