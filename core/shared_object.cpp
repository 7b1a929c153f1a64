#include "core/shared_object.h"

#include <cassert>
#include <new>

#include "core/log.h"

void zSharedObject::AddRef() { ++m_refCount; }

void zSharedObject::Release() {
    assert(m_refCount > 0 && "Release of a shared object without references");
    if (m_refCount == 0) return;
    if (--m_refCount == 0) {
        if (m_weakBlock) m_weakBlock->alive = false;
        delete this;
    }
}

zSharedObject::~zSharedObject() {
    if (!m_weakBlock) return;
    if (m_weakBlock->weakCount == 0) {
        delete m_weakBlock;
    } else {
        m_weakBlock->alive = false;
    }
    m_weakBlock = nullptr;
}

zWeakBlock* zSharedObject::AcquireWeakBlock() {
    if (!m_weakBlock) m_weakBlock = new (std::nothrow) zWeakBlock{true, 0};
    if (!m_weakBlock) {
        GetLog() << "[!] Failed to allocate weak reference block.\n";
        return nullptr;
    }
    ++m_weakBlock->weakCount;
    return m_weakBlock;
}

void zSharedObject::ReleaseWeakBlock(zWeakBlock* block) {
    if (!block) return;
    assert(block->weakCount > 0);
    if (block->weakCount > 0) --block->weakCount;
    if (block->weakCount == 0 && !block->alive) delete block;
}
