// zGeometryBuffer<T>: one owned array of a geometry's data (vertices,
// bindings, per-binding attributes, tables). Allocation never throws: a
// failure leaves the buffer empty and is reported to the caller, which logs.
#pragma once

#include <cassert>
#include <new>

#include "core/types.h"

template <typename T> class zGeometryBuffer {
  public:
    zGeometryBuffer() = default;
    ~zGeometryBuffer() { Free(); }
    zGeometryBuffer(const zGeometryBuffer&) = delete;
    zGeometryBuffer& operator=(const zGeometryBuffer&) = delete;

    // Frees the old elements, then makes count value-initialised ones. A
    // count of 0 leaves the buffer empty and succeeds.
    bool Allocate(u32 count) {
        Free();
        if (count == 0) return true;
        m_data = new (std::nothrow) T[count]();
        if (!m_data) return false;
        m_count = count;
        return true;
    }
    void Free() {
        delete[] m_data;
        m_data = nullptr;
        m_count = 0;
    }

    // Keeps the first count elements (count at most the current one): the
    // rest are reset to their default value and no longer counted (0 frees
    // the buffer). Nothing is allocated, so nothing can fail.
    void Truncate(u32 count) {
        assert(count <= m_count);
        for (u32 i = count; i < m_count; ++i)
            m_data[i] = T();
        m_count = count;
        if (count == 0) Free();
    }

    T* Get() { return m_data; }
    const T* Get() const { return m_data; }
    u32 GetCount() const { return m_count; }
    bool IsEmpty() const { return m_data == nullptr; }
    T& operator[](u32 index) {
        assert(index < m_count);
        return m_data[index];
    }
    const T& operator[](u32 index) const {
        assert(index < m_count);
        return m_data[index];
    }

  private:
    T* m_data = nullptr;
    u32 m_count = 0;
};
