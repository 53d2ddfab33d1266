#include "app/MessageLoop.h"

#include <algorithm>

namespace {

template <typename T>
void Erase(std::vector<T*>& list, T* item)
{
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

// Messages after which there is nothing new to be idle about.
bool EndsIdleness(UINT message)
{
    return message != WM_MOUSEMOVE && message != WM_NCMOUSEMOVE && message != WM_PAINT && message != 0x0118;
}

} // namespace

void MessageLoop::AddFilter(MessageFilter* filter)
{
    m_filters.push_back(filter);
}

void MessageLoop::RemoveFilter(MessageFilter* filter)
{
    Erase(m_filters, filter);
}

void MessageLoop::AddIdleHandler(IdleHandler* handler)
{
    m_idleHandlers.push_back(handler);
}

void MessageLoop::RemoveIdleHandler(IdleHandler* handler)
{
    Erase(m_idleHandlers, handler);
}

bool MessageLoop::OfferToFilters(MSG& message)
{
    // Newest first; a filter may remove itself while it runs.
    const std::vector<MessageFilter*> filters = m_filters;
    for (auto it = filters.rbegin(); it != filters.rend(); ++it) {
        if ((*it)->PreTranslateMessage(message))
            return true;
    }
    return false;
}

bool MessageLoop::Idle(int count)
{
    bool more = false;
    const std::vector<IdleHandler*> handlers = m_idleHandlers;
    for (IdleHandler* handler : handlers)
        more = handler->OnIdle(count) || more;
    return more;
}

int MessageLoop::Run()
{
    bool idle = true;
    int idleCount = 0;
    MSG message{};
    for (;;) {
        while (idle && !PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!Idle(idleCount++))
                idle = false;
        }
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1)
            continue;
        if (got == 0)
            return static_cast<int>(message.wParam);
        if (!OfferToFilters(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (EndsIdleness(message.message)) {
            idle = true;
            idleCount = 0;
        }
    }
}
