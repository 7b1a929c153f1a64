#include "core/linked_list.h"

#include <cassert>

#include "core/list.h"
#include "core/log.h"

void LogListNodeAllocationFailure() {
    GetLog() << "[!] Failed to allocate list node.\n";
}

void zLinkedListIterator::Init(const zLinkedList& list) {
    current = nullptr;
    next = nullptr;
    count = list.GetCount();
}

zLinkedList::~zLinkedList() {
    Clear(true);
}

bool zLinkedList::IsLinkedSomewhere(const zLinkedListEntry* entry) const {
    return entry->m_back != 0 || entry->m_next || m_head == entry;
}

void zLinkedList::Link(zLinkedListEntry* entry, zLinkedListEntry* previous, zLinkedListEntry* next) {
    zLinkedListEntry* tail = next ? GetTail() : entry;
    entry->m_next = next;
    if (previous) {
        entry->m_back = reinterpret_cast<uintptr_t>(previous);
        previous->m_next = entry;
    } else {
        m_head = entry;
    }
    if (next) next->m_back = reinterpret_cast<uintptr_t>(entry);
    m_head->m_back = reinterpret_cast<uintptr_t>(tail) | zLinkedListEntry::HeadMark;
    ++m_count;
}

// Whether entry may be linked now. When it may not, result is what the
// caller returns: the entry itself when it is already in this list (linking
// an entry twice would corrupt the list, so an entry that carries links is
// looked up even when duplicates are allowed), null otherwise.
bool zLinkedList::MayLink(zLinkedListEntry* entry, bool allowDuplicates, zLinkedListEntry*& result) const {
    result = nullptr;
    if (!entry) return false;
    if (!allowDuplicates || IsLinkedSomewhere(entry)) {
        if (Contains(entry)) {
            result = entry;
            return false;
        }
    }
    if (IsLinkedSomewhere(entry)) {
        assert(!"entry is linked in another list");
        return false;
    }
    return true;
}

zLinkedListEntry* zLinkedList::Add(zLinkedListEntry* entry, bool atEnd, bool allowDuplicates) {
    zLinkedListEntry* refused;
    if (!MayLink(entry, allowDuplicates, refused)) return refused;
    if (atEnd) {
        Link(entry, GetTail(), nullptr);
    } else {
        Link(entry, nullptr, m_head);
    }
    return entry;
}

zLinkedListEntry* zLinkedList::InsertBefore(zLinkedListEntry* entry, zLinkedListEntry* reference,
                                            bool allowDuplicates) {
    zLinkedListEntry* refused;
    if (!reference) return nullptr;
    if (!MayLink(entry, allowDuplicates, refused)) return refused;
    Link(entry, reference->GetPrevious(), reference);
    return entry;
}

zLinkedListEntry* zLinkedList::InsertAfter(zLinkedListEntry* entry, zLinkedListEntry* reference,
                                           bool allowDuplicates) {
    zLinkedListEntry* refused;
    if (!reference) return nullptr;
    if (!MayLink(entry, allowDuplicates, refused)) return refused;
    Link(entry, reference, reference->m_next);
    return entry;
}

bool zLinkedList::Contains(const zLinkedListEntry* entry) const {
    if (!entry) return false;
    for (const zLinkedListEntry* e = m_head; e; e = e->m_next) {
        if (e == entry) return true;
    }
    return false;
}

bool zLinkedList::Detach(zLinkedListEntry* entry) {
    if (!Contains(entry)) return false;
    zLinkedListEntry* previous = entry->GetPrevious();
    zLinkedListEntry* next = entry->m_next;
    zLinkedListEntry* tail = GetTail();
    if (previous) {
        previous->m_next = next;
    } else {
        m_head = next;
    }
    if (next) next->m_back = reinterpret_cast<uintptr_t>(previous);
    if (m_head) {
        zLinkedListEntry* newTail = entry == tail ? previous : tail;
        m_head->m_back = reinterpret_cast<uintptr_t>(newTail) | zLinkedListEntry::HeadMark;
    }
    entry->m_back = 0;
    entry->m_next = nullptr;
    --m_count;
    return true;
}

bool zLinkedList::Remove(zLinkedListEntry* entry, bool deleteIt) {
    if (!Detach(entry)) return false;
    if (deleteIt && !m_notOwner) delete entry;
    return true;
}

void zLinkedList::Clear(bool deleteIt) {
    zLinkedListEntry* entry = m_head;
    m_head = nullptr;
    m_count = 0;
    bool deleteEntries = deleteIt && !m_notOwner;
    while (entry) {
        zLinkedListEntry* next = entry->m_next;
        entry->m_back = 0;
        entry->m_next = nullptr;
        if (deleteEntries) delete entry;
        entry = next;
    }
}

zLinkedListEntry* zLinkedList::TakeEntries() {
    zLinkedListEntry* head = m_head;
    m_head = nullptr;
    m_count = 0;
    return head;
}

zLinkedListEntry* zLinkedList::GetAt(u32 index) const {
    zLinkedListEntry* entry = m_head;
    for (; entry && index > 0; --index)
        entry = entry->m_next;
    if (!entry) GetLog() << "[!] out of bound linked list access.\n";
    return entry;
}

zLinkedListEntry* zLinkedList::Next(zLinkedListIterator& iterator) const {
    iterator.current = iterator.current ? iterator.next : m_head;
    iterator.next = iterator.current ? iterator.current->m_next : nullptr;
    return iterator.current;
}

zLinkedListEntryId* zLinkedListId::FindById(const zString& name, bool log) const {
    for (zLinkedListEntry* entry = zLinkedList::GetHead(); entry; entry = entry->GetNext()) {
        zLinkedListEntryId* named = static_cast<zLinkedListEntryId*>(entry);
        if (named->id == name) return named;
    }
    if (log) GetLog() << "[*] LListID failed to find '" << name << "'.\n";
    return nullptr;
}

zLinkedListEntryId* zLinkedListId::FindById(const char* name, bool log) const {
    return FindById(zString(name), log);
}
