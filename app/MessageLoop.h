#pragma once
#include <windows.h>

#include <vector>

// Sees every message of its thread before it is dispatched; true: the message is done.
class MessageFilter {
public:
    virtual ~MessageFilter() = default;
    virtual bool PreTranslateMessage(MSG& message) = 0;
};

// Runs while the thread has nothing else to do; true asks for more idle time.
class IdleHandler {
public:
    virtual ~IdleHandler() = default;
    virtual bool OnIdle(int count) = 0;
};

// The message loop of one user-interface thread, with its filters and idle handlers.
class MessageLoop {
public:
    void AddFilter(MessageFilter* filter);
    void RemoveFilter(MessageFilter* filter);
    void AddIdleHandler(IdleHandler* handler);
    void RemoveIdleHandler(IdleHandler* handler);

    // Until WM_QUIT; its wParam is the result.
    int Run();

private:
    bool OfferToFilters(MSG& message);
    bool Idle(int count);

    std::vector<MessageFilter*> m_filters;
    std::vector<IdleHandler*> m_idleHandlers;
};
