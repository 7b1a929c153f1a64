// Reference-counted base of shared resources (pictures, geometries,
// materials, animation sources, widgets). The count starts at 0; the object
// deletes itself when the last reference is released. A weak block lets
// observers learn that the object died: it outlives the object while weak
// holders remain, with alive cleared.
//
// zSharedPtr<T> owns one reference; zWeakPtr<T> observes through the weak
// block. Both can be instantiated with any T for sizeof (the memory dump);
// their operations need T derived from zSharedObject.
#pragma once

#include <type_traits>

#include "core/types.h"

struct zWeakBlock {
    bool alive;
    u32 weakCount;
};

class zSharedObject {
public:
    zSharedObject() = default;
    // A copy is a new object: no references, no weak block.
    zSharedObject(const zSharedObject&) : zSharedObject() {}
    zSharedObject& operator=(const zSharedObject&) { return *this; }

    virtual void AddRef();
    // At 0 the weak block is marked dead and the object deletes itself.
    // Releasing an object with no reference is a programmer's mistake.
    virtual void Release();
    virtual ~zSharedObject();

    u32 GetRefCount() const { return m_refCount; }

    // Weak references: the block is created on the first call; each call
    // counts one holder, who gives it back with ReleaseWeakBlock. Null, logged,
    // when the block cannot be allocated: the weak reference is then empty.
    zWeakBlock* AcquireWeakBlock();
    // Frees the block when it has no holder left and its object is dead.
    static void ReleaseWeakBlock(zWeakBlock* block);

private:
    u32 m_refCount = 0;
    zWeakBlock* m_weakBlock = nullptr;
};

template <typename T>
class zSharedPtr {
public:
    zSharedPtr() = default;
    zSharedPtr(T* object) : m_object(object) { AddRefObject(m_object); }
    zSharedPtr(const zSharedPtr& other) : m_object(other.m_object) { AddRefObject(m_object); }
    template <typename U, typename = std::enable_if_t<std::is_convertible<U*, T*>::value>>
    zSharedPtr(const zSharedPtr<U>& other) : m_object(other.Get()) {
        AddRefObject(m_object);
    }
    ~zSharedPtr() { ReleaseObject(m_object); }

    zSharedPtr& operator=(const zSharedPtr& other) { return Assign(other.m_object); }
    zSharedPtr& operator=(T* object) { return Assign(object); }

    T* Get() const { return m_object; }
    T* operator->() const { return m_object; }
    T& operator*() const { return *m_object; }
    explicit operator bool() const { return m_object != nullptr; }
    bool operator==(const zSharedPtr& other) const { return m_object == other.m_object; }
    bool operator!=(const zSharedPtr& other) const { return m_object != other.m_object; }

private:
    // Adds to the new object before releasing the old one, so assigning an
    // object that only the old one keeps alive is safe.
    zSharedPtr& Assign(T* object) {
        if (object == m_object) return *this;
        AddRefObject(object);
        T* old = m_object;
        m_object = object;
        ReleaseObject(old);
        return *this;
    }
    static void AddRefObject(T* object) {
        if (object) static_cast<zSharedObject*>(object)->AddRef();
    }
    static void ReleaseObject(T* object) {
        if (object) static_cast<zSharedObject*>(object)->Release();
    }

    T* m_object = nullptr;
};

template <typename T>
class zWeakPtr {
public:
    zWeakPtr() = default;
    zWeakPtr(T* object) { Attach(object); }
    zWeakPtr(const zWeakPtr& other) { AttachBlock(other.m_object, other.m_block); }
    ~zWeakPtr() { Detach(); }

    zWeakPtr& operator=(const zWeakPtr& other) {
        if (this != &other) {
            Detach();
            AttachBlock(other.m_object, other.m_block);
        }
        return *this;
    }
    zWeakPtr& operator=(T* object) {
        Detach();
        Attach(object);
        return *this;
    }

    // The object, or null once it died.
    T* Get() const { return m_block && m_block->alive ? m_object : nullptr; }
    bool IsAlive() const { return Get() != nullptr; }
    // A strong reference, empty once the object died.
    zSharedPtr<T> Lock() const { return zSharedPtr<T>(Get()); }

private:
    void Attach(T* object) {
        if (!object) return;
        m_object = object;
        m_block = static_cast<zSharedObject*>(object)->AcquireWeakBlock();
    }
    void AttachBlock(T* object, zWeakBlock* block) {
        if (!block) return;
        m_object = object;
        m_block = block;
        ++m_block->weakCount;
    }
    void Detach() {
        if (m_block) zSharedObject::ReleaseWeakBlock(m_block);
        m_block = nullptr;
        m_object = nullptr;
    }

    T* m_object = nullptr;
    zWeakBlock* m_block = nullptr;
};
