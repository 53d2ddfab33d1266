#include "app/MessageLoop.h"

#include <algorithm>

void MessageLoop::AddFilter(MessageFilter* filter)
{
    m_filters.push_back(filter);
}

void MessageLoop::RemoveFilter(MessageFilter* filter)
{
    m_filters.erase(std::remove(m_filters.begin(), m_filters.end(), filter), m_filters.end());
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

int MessageLoop::Run()
{
    MSG message{};
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1)
            continue;
        if (got == 0)
            return static_cast<int>(message.wParam);
        if (!OfferToFilters(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}
