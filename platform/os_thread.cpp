#include "platform/os_thread.h"

#include <cassert>

zOsThread::~zOsThread() {
    // A thread must not destroy its own object: its body is still on the stack.
    assert(!m_thread.joinable() || m_thread.get_id() != std::this_thread::get_id());
    Close();
    if (m_thread.joinable()) m_thread.detach();
}

bool zOsThread::Create(Body body, void* context) {
    if (!body) return false;
    if (m_hasThread) {
        if (!m_started || IsRunning()) return false;
        Close();
    }
    m_body = body;
    m_context = context;
    m_hasThread = true;
    m_started = false;
    m_exitCode.store(NoExitCode, std::memory_order_release);
    return true;
}

bool zOsThread::Resume() {
    if (!m_hasThread || m_started) return false;
    m_running.store(true, std::memory_order_release);
    try {
        m_thread = std::thread(&zOsThread::Entry, this);
    } catch (...) {
        m_running.store(false, std::memory_order_release);
        return false;
    }
    m_started = true;
    return true;
}

bool zOsThread::Suspend() { return false; }

bool zOsThread::Join() {
    if (!m_thread.joinable()) return false;
    if (m_thread.get_id() == std::this_thread::get_id()) return false;
    m_thread.join();
    return true;
}

void zOsThread::Close() {
    // A thread cannot join itself; its owner closes it.
    if (m_thread.joinable() && m_thread.get_id() == std::this_thread::get_id()) return;
    Join();
    m_body = nullptr;
    m_context = nullptr;
    m_hasThread = false;
    m_started = false;
}

bool zOsThread::SetPriority(int /*priority*/) { return false; }

void zOsThread::Entry(zOsThread* self) {
    int exitCode = self->m_body(self->m_context);
    self->m_exitCode.store(exitCode, std::memory_order_release);
    self->m_running.store(false, std::memory_order_release);
}
