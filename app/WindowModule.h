#pragma once
#include "app/MessageLoop.h"

#include <windows.h>

#include <map>

// The program's window module: its instance handle and the message loop of each
// user-interface thread, so that windows can find the loop of the thread they run on.
class WindowModule {
public:
    void Init(HINSTANCE instance);
    void Term();
    [[nodiscard]] HINSTANCE Instance() const { return m_instance != nullptr ? m_instance : GetModuleHandleW(nullptr); }

    void AddMessageLoop(MessageLoop* loop);
    void RemoveMessageLoop();
    // The calling thread's loop, or null.
    [[nodiscard]] MessageLoop* CurrentLoop() const;

private:
    HINSTANCE m_instance = nullptr;
    std::map<DWORD, MessageLoop*> m_loops;
};

// The one module of the process, constructed before any other program-wide object.
WindowModule& TheWindowModule();
