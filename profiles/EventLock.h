#pragma once
#include <windows.h>

// A non-recursive lock made of an auto-reset event: a thread that takes it twice waits forever,
// so no holder calls anything that takes the same lock again.
class EventLock {
public:
    EventLock();
    ~EventLock();
    EventLock(const EventLock&) = delete;
    EventLock& operator=(const EventLock&) = delete;

    void Lock();
    void Unlock();

private:
    HANDLE m_event;
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
