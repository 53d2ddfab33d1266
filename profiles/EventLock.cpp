#include "profiles/EventLock.h"

EventLock::EventLock() : m_event(CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
    SetEvent(m_event);
}

EventLock::~EventLock()
{
    if (m_event)
        CloseHandle(m_event);
}

void EventLock::Lock()
{
    // An auto-reset event is reset by the wait that takes it.
    WaitForSingleObject(m_event, INFINITE);
}

void EventLock::Unlock()
{
    SetEvent(m_event);
}
