// Growable arrays of pointers: zArray<T> and zArrayList.
//
// Elements sit in slots that never move while the array keeps its capacity; a
// map gives the slot of each position, and the free slots are stacked behind
// the used positions. So an element keeps its slot when others are inserted or
// removed: removal moves map entries, never items.
//   items[slot]           the element pointers
//   map[0 .. count - 1]   position -> slot
//   free[count .. cap - 1] the free slot numbers
// Reserve compacts the elements into slots 0 .. count - 1 in position order.
// Not thread-safe.
#pragma once

#include "core/types.h"
#include "core/zstring.h"

// The untyped storage behind zArray<T>.
class zArrayStorage {
  public:
    virtual ~zArrayStorage();

    u32 GetCount() const { return m_count; }
    u32 GetCapacity() const { return m_capacity; }

    // The same capacity does nothing; below the count it logs and fails; an
    // allocation failure logs and leaves the array as it was.
    bool Reserve(u32 capacity);
    // Gives the slot back to the free stack; true at once on an empty array.
    // A position past the end logs and fails.
    bool RemoveAt(u32 position);

  protected:
    zArrayStorage();

    // Full array: false unless grow, which first makes the capacity 2n + 4.
    bool AddPointer(void* element, bool grow);
    // Full array: false unless grow, which first makes the capacity 2n (at least 4).
    // A position past the count logs and fails.
    bool InsertPointerAt(void* element, u32 position, bool grow);
    // Logs and gives null past the end.
    void* GetPointerAt(u32 position) const;
    // The position of an element found by pointer.
    bool FindPosition(const void* element, u32& position) const;
    // Remove's first step: an array below half full is reserved to max(capacity / 2, 64).
    void ReserveBeforeRemove();
    // Frees the three arrays; capacity and count become 0.
    void FreeStorage();
    static void LogOutOfBounds();
    static void LogFindMiss(const zString& name);

  private:
    zArrayStorage(const zArrayStorage&) = delete;
    zArrayStorage& operator=(const zArrayStorage&) = delete;

    void** m_items;
    u32* m_map;
    u32* m_free;
    u32 m_capacity;
    u32 m_count;
};

// Frees its storage only when destroyed; elements are deleted only on request.
template <typename T> class zArray : public zArrayStorage {
  public:
    explicit zArray(u32 capacity = 0) { Reserve(capacity); }
    ~zArray() override = default;

    bool Add(T* element, bool grow = true) { return AddPointer(element, grow); }
    bool InsertAt(T* element, u32 position, bool grow = true) {
        return InsertPointerAt(element, position, grow);
    }
    T* GetAt(u32 position) const { return static_cast<T*>(GetPointerAt(position)); }

    // Finds the element by pointer and removes it, deleting it when asked;
    // false when absent.
    bool Remove(T* element, bool deleteIt = false) {
        ReserveBeforeRemove();
        u32 position = 0;
        if (!FindPosition(element, position)) return false;
        RemoveAt(position);
        if (deleteIt) delete element;
        return true;
    }

    // Deletes every element when asked, then frees the storage.
    void Clear(bool deleteIt = false) {
        if (deleteIt) {
            for (u32 position = 0; position < GetCount(); ++position)
                delete GetAt(position);
        }
        FreeStorage();
    }

    // The first element whose GetName() equals name (hash first); a miss logs
    // when asked. T must offer `const zString& GetName() const`.
    T* FindById(const zString& name, bool log = true) const {
        for (u32 position = 0; position < GetCount(); ++position) {
            T* element = GetAt(position);
            if (element && element->GetName() == name) return element;
        }
        if (log) LogFindMiss(name);
        return nullptr;
    }
    T* FindById(const char* name, bool log = true) const { return FindById(zString(name), log); }
};

// Base of the elements of a zArrayList, which deletes them through this destructor.
class zArrayListItem {
  public:
    virtual ~zArrayListItem();
    // Elements without a name answer an empty string.
    virtual const zString& GetName() const;
};

// An array that owns its elements: destroying it deletes them.
class zArrayList : public zArray<zArrayListItem> {
  public:
    explicit zArrayList(u32 capacity = 0) : zArray<zArrayListItem>(capacity) {}
    ~zArrayList() override;
};
