#pragma once
#include "base/UniqueHandle.h"

#include <windows.h>

#include <atomic>

// A non-recursive lock made of an auto-reset event. A thread that takes it again while holding it
// would wait forever; Lock throws std::logic_error instead, so that such a call shows up in tests
// and ends the monitor thread rather than hanging a thread for good.
class EventLock {
public:
    EventLock();
    EventLock(const EventLock&) = delete;
    EventLock& operator=(const EventLock&) = delete;

    void Lock();
    void Unlock();

private:
    KernelHandle m_event;
    std::atomic<DWORD> m_holder{0};  // the holding thread's id, 0 when free
};

class EventLockGuard {
public:
    explicit EventLockGuard(EventLock& lock) : m_lock(&lock) { m_lock->Lock(); }
    ~EventLockGuard() { Release(); }
    EventLockGuard(const EventLockGuard&) = delete;
    EventLockGuard& operator=(const EventLockGuard&) = delete;

    void Release()
    {
        if (m_lock) {
            m_lock->Unlock();
            m_lock = nullptr;
        }
    }

private:
    EventLock* m_lock;
};
