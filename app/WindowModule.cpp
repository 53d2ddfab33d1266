#include "app/WindowModule.h"

void WindowModule::Init(HINSTANCE instance)
{
    m_instance = instance;
}

void WindowModule::Term()
{
    m_loops.clear();
}

void WindowModule::AddMessageLoop(MessageLoop* loop)
{
    m_loops[GetCurrentThreadId()] = loop;
}

void WindowModule::RemoveMessageLoop()
{
    m_loops.erase(GetCurrentThreadId());
}

MessageLoop* WindowModule::CurrentLoop() const
{
    auto found = m_loops.find(GetCurrentThreadId());
    return found != m_loops.end() ? found->second : nullptr;
}

WindowModule& TheWindowModule()
{
    static WindowModule module;
    return module;
}
