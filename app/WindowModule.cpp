#include "app/WindowModule.h"

#include <algorithm>

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

void CentreOnOwner(HWND window)
{
    HWND owner = GetWindow(window, GW_OWNER);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(owner != nullptr ? owner : window, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    RECT over = work;
    if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner))
        GetWindowRect(owner, &over);
    RECT own{};
    GetWindowRect(window, &own);
    const LONG width = own.right - own.left;
    const LONG height = own.bottom - own.top;
    LONG left = over.left + (over.right - over.left - width) / 2;
    LONG top = over.top + (over.bottom - over.top - height) / 2;
    left = std::max(work.left, std::min(left, work.right - width));
    top = std::max(work.top, std::min(top, work.bottom - height));
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
