#pragma once
#include <windows.h>

#include <vector>

// Sees every message of its thread before it is dispatched; true: the message is done.
class MessageFilter {
public:
    virtual ~MessageFilter() = default;
    virtual bool PreTranslateMessage(MSG& message) = 0;
};

// The message loop of one user-interface thread, with its filters.
class MessageLoop {
public:
    void AddFilter(MessageFilter* filter);
    void RemoveFilter(MessageFilter* filter);

    // Until WM_QUIT; its wParam is the result.
    int Run();

private:
    bool OfferToFilters(MSG& message);

    std::vector<MessageFilter*> m_filters;
};
