#include "profiles/EventLock.h"

#include <stdexcept>

EventLock::EventLock() : m_event(CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
    SetEvent(m_event.Get());
}

void EventLock::Lock()
{
    // Only the holder itself can see its own id here.
    if (m_holder.load() == GetCurrentThreadId())
        throw std::logic_error("EventLock taken again by the thread that holds it");
    // An auto-reset event is reset by the wait that takes it.
    WaitForSingleObject(m_event.Get(), INFINITE);
    m_holder.store(GetCurrentThreadId());
}

void EventLock::Unlock()
{
    m_holder.store(0);
    SetEvent(m_event.Get());
}
