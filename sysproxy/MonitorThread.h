#pragma once
#include "base/UniqueHandle.h"
#include "sysproxy/MonitorState.h"

#include <windows.h>

#include <memory>

// The thread that tracks the system's settings and the adapters' addresses, pass after pass
// (MonitorPasses), from construction on. Destruction stops the thread's posts and reports at once
// and waits for it only a moment: a thread still busy goes on with the shared state alone and ends
// at its next look at the stop flag.
class MonitorThread {
public:
    explicit MonitorThread(std::shared_ptr<MonitorState> state);
    ~MonitorThread();
    MonitorThread(const MonitorThread&) = delete;
    MonitorThread& operator=(const MonitorThread&) = delete;

    // The thread leaves its loop at its next check; nothing waits for it.
    void RequestStop() { m_state->RequestStop(); }

private:
    // The parameter is a shared_ptr<MonitorState> allocated with new, which the thread owns.
    static DWORD WINAPI Run(void* state);

    std::shared_ptr<MonitorState> m_state;
    KernelHandle m_thread;
};
