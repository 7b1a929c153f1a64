#include "core/array_list.h"

#include <cstring>
#include <new>

#include "core/log.h"

namespace {

constexpr u32 MaxCapacity = 0xFFFFFFFFu;

// Remove never reserves below this many entries.
constexpr u32 MinCapacityAfterRemove = 64;

u32 ClampCapacity(u64 capacity) {
    return capacity > MaxCapacity ? MaxCapacity : static_cast<u32>(capacity);
}

} // namespace

zArrayStorage::zArrayStorage()
    : m_items(nullptr), m_map(nullptr), m_free(nullptr), m_capacity(0), m_count(0) {}

zArrayStorage::~zArrayStorage() {
    FreeStorage();
}

void zArrayStorage::FreeStorage() {
    delete[] m_items;
    delete[] m_map;
    delete[] m_free;
    m_items = nullptr;
    m_map = nullptr;
    m_free = nullptr;
    m_capacity = 0;
    m_count = 0;
}

void zArrayStorage::LogOutOfBounds() {
    GetLog() << "[*] Out of bound array access.\n";
}

void zArrayStorage::LogFindMiss(const zString& name) {
    GetLog() << "[*] ArrayListID failed to find '" << name << "'.\n";
}

bool zArrayStorage::Reserve(u32 capacity) {
    if (capacity == m_capacity) return true;
    if (capacity < m_count) {
        GetLog() << "[!] Cannot shrink array, too many entries.\n";
        return false;
    }
    if (capacity == 0) {
        FreeStorage();
        return true;
    }
    void** items = new (std::nothrow) void*[capacity];
    u32* map = new (std::nothrow) u32[capacity];
    u32* freeSlots = new (std::nothrow) u32[capacity];
    if (!items || !map || !freeSlots) {
        delete[] items;
        delete[] map;
        delete[] freeSlots;
        GetLog() << "[!] Failed to resize array.\n";
        return false;
    }
    for (u32 position = 0; position < m_count; ++position)
        items[position] = m_items[m_map[position]];
    for (u32 slot = m_count; slot < capacity; ++slot)
        items[slot] = nullptr;
    for (u32 k = 0; k < capacity; ++k) {
        map[k] = k;
        freeSlots[k] = k;
    }
    u32 count = m_count;
    FreeStorage();
    m_items = items;
    m_map = map;
    m_free = freeSlots;
    m_capacity = capacity;
    m_count = count;
    return true;
}

bool zArrayStorage::AddPointer(void* element, bool grow) {
    if (m_count == m_capacity) {
        if (!grow || m_capacity == MaxCapacity) return false;
        if (!Reserve(ClampCapacity(2ull * m_capacity + 4))) return false;
    }
    u32 slot = m_free[m_count];
    m_items[slot] = element;
    m_map[m_count] = slot;
    ++m_count;
    return true;
}

bool zArrayStorage::InsertPointerAt(void* element, u32 position, bool grow) {
    if (position > m_count) {
        LogOutOfBounds();
        return false;
    }
    if (m_count == m_capacity) {
        if (!grow || m_capacity == MaxCapacity) return false;
        // Twice nothing is nothing: an empty array starts at 4.
        u64 grown = 2ull * m_capacity;
        if (!Reserve(ClampCapacity(grown < 4 ? 4 : grown))) return false;
    }
    u32 slot = m_free[m_count];
    std::memmove(m_map + position + 1, m_map + position, (m_count - position) * sizeof(u32));
    m_items[slot] = element;
    m_map[position] = slot;
    ++m_count;
    return true;
}

void* zArrayStorage::GetPointerAt(u32 position) const {
    if (position >= m_count) {
        LogOutOfBounds();
        return nullptr;
    }
    return m_items[m_map[position]];
}

bool zArrayStorage::RemoveAt(u32 position) {
    if (m_count == 0) return true;
    if (position >= m_count) {
        LogOutOfBounds();
        return false;
    }
    u32 slot = m_map[position];
    std::memmove(m_map + position, m_map + position + 1, (m_count - position - 1) * sizeof(u32));
    --m_count;
    m_free[m_count] = slot;
    m_items[slot] = nullptr;
    return true;
}

bool zArrayStorage::FindPosition(const void* element, u32& position) const {
    for (u32 k = 0; k < m_count; ++k) {
        if (m_items[m_map[k]] == element) {
            position = k;
            return true;
        }
    }
    return false;
}

void zArrayStorage::ReserveBeforeRemove() {
    if (m_count < m_capacity / 2) {
        u32 half = m_capacity / 2;
        Reserve(half > MinCapacityAfterRemove ? half : MinCapacityAfterRemove);
    }
}

zArrayListItem::~zArrayListItem() = default;

const zString& zArrayListItem::GetName() const {
    static const zString noName;
    return noName;
}

zArrayList::~zArrayList() {
    Clear(true);
}
