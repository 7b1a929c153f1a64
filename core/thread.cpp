#include "core/thread.h"

#include "core/log.h"

zThread::~zThread() { Close(); }

bool zThread::Create() { return m_thread.Create(&zThread::Entry, this); }

bool zThread::Resume() { return m_thread.Resume(); }

bool zThread::Suspend() {
    GetLog() << "[*] Thread suspension is not supported on this platform.\n";
    return m_thread.Suspend();
}

void zThread::Wait() {
    if (IsCreated()) m_thread.Join();
}

void zThread::Close() { m_thread.Close(); }

bool zThread::SetPriority(int priority) { return m_thread.SetPriority(priority); }

int zThread::Entry(void* self) { return static_cast<zThread*>(self)->Run() ? 1 : 0; }
